// Pictures of picture boxes: PNG files built into the program as RCDATA resources, decoded by
// GDI+ into bitmaps with their transparent parts laid over the window's background.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <memory>

#include "platform/win32/toolkit_internal.h"

namespace mervolt::win32_toolkit {

PictureDecoder::PictureDecoder() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

PictureDecoder::~PictureDecoder() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

HBITMAP PictureDecoder::load(HINSTANCE instance, std::string_view name, COLORREF background) {
    if (!token_ || name.empty()) return nullptr;
    const std::wstring resource_name(name.begin(), name.end());  // resource names are ASCII
    HRSRC resource = FindResourceW(instance, resource_name.c_str(), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), SizeofResource(instance, resource));
    if (!stream) return nullptr;
    HBITMAP bitmap = nullptr;
    {
        std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromStream(stream));
        if (image && image->GetLastStatus() == Gdiplus::Ok)
            image->GetHBITMAP(Gdiplus::Color(GetRValue(background), GetGValue(background), GetBValue(background)), &bitmap);
    }
    stream->Release();
    return bitmap;
}

}  // namespace mervolt::win32_toolkit
