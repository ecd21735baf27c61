// tools/window_picture/window_picture_win.cpp: a window's screen area as a bottom-up 24-bit bitmap file.
#include "tools/window_picture/window_picture_win.h"

#include "common/handle_win.h"

bool SaveWindowBitmap(HWND p_hWindow, const char* p_szPath)
{
    RECT rect{};
    if (!GetWindowRect(p_hWindow, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const unique_window_dc screen(nullptr);
    const unique_hdc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const unique_hbitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap)
        return false;
    HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
    SelectObject(memory.get(), old);
    const unique_file file(CreateFileA(p_szPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file)
        return false;
    // Rows are padded to whole 4-byte words.
    const DWORD imageSize = static_cast<DWORD>((width * 3 + 3) & ~3) * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageSize;
    DWORD written = 0;
    return WriteFile(file.get(), &header, sizeof(header), &written, nullptr) &&
           WriteFile(file.get(), &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
           WriteFile(file.get(), bits, imageSize, &written, nullptr);
}
