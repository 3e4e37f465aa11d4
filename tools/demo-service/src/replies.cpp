#include "replies.h"

namespace demo {
namespace {

std::string html_escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

}  // namespace

std::string sign_in_reply(const std::optional<AccountStanding>& account) {
    if (!account) return "||fail";
    return account->expiry + "|" + account->package + "|ok";
}

std::string line_list_reply(const std::vector<LineRecord>& lines) {
    std::string reply;
    for (const LineRecord& line : lines) reply += line.address + ":" + line.name + "+" + line.description + ";";
    return reply;
}

std::string member_page(const std::vector<std::string>& paragraphs) {
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>会员公告</title></head>\n"
        "<body>\n<h3>会员公告</h3>\n";
    for (const std::string& p : paragraphs) page += "<p>" + html_escaped(p) + "</p>\n";
    return page + "</body></html>\n";
}

std::string ip_lookup_page() {
    return "<html><head><title>您的IP地址：203.0.113.7</title></head>"
           "<body><p>[IP查询] 来自：中国 北京 电信</p></body></html>";
}

std::string garbage_reply() {
    // Bytes that can start no UTF-8 sequence, a lead byte without its trail, a stray trail byte.
    return "\xFF\xFE\xC3\x28garbage\x80\xC0\xAF";
}

}  // namespace demo
