#include "error_texts.h"

namespace simras {
namespace {

struct ErrorText {
    std::uint32_t code;
    const char* text;
};

// Narrow literals are compiled to GBK.
constexpr ErrorText error_texts[] = {
    {602, "要使用的端口已经打开，不能再次打开。"},
    {603, "提供的缓冲区太小，放不下全部结果。"},
    {619, "无法建立到远程计算机的连接，此连接使用的端口已关闭。"},
    {623, "在电话簿中找不到这个连接条目。"},
    {631, "端口已被用户断开。"},
    {632, "传入的结构大小不正确。"},
    {650, "远程访问服务器没有响应。"},
    {651, "连接设备报告了错误，连接没有建立。"},
    {666, "连接设备没有准备好或工作不正常。"},
    {678, "远程计算机没有应答。"},
    {690, "远程访问配置文件里没有所需的信息。"},
    {691, "用户名或密码无效，远程计算机拒绝了访问。"},
    {718, "等待远程计算机应答超时，连接已断开。"},
    {734, "PPP 链路控制协议已终止。"},
    {756, "这个连接正在拨号中。"},
    {800, "无法建立 VPN 连接，VPN 服务器可能无法访问。"},
    {868, "无法解析远程访问服务器的名称，连接没有建立。"},
};

}  // namespace

const char* ras_error_text(std::uint32_t code) {
    for (const ErrorText& entry : error_texts) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

}  // namespace simras
