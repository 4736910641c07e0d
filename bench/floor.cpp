// floor.exe FACE: the least Win32 program that does the clock's visible work, the floor that
// zarn.exe's cost is measured against. A 200 by 200 borderless popup at the screen's corner
// scales the face picture FACE, from the current folder, once to its size (a bitmap file
// with HALFTONE, any other picture with the imaging component's scaler), and each second
// copies it into a back buffer, draws the three hands over it as polygons (white, the
// second hand red) and presents the buffer at WM_PAINT. A face with transparent parts is
// decoded premultiplied by the imaging component and presented as the clock presents it: the
// hands' pixels made opaque, the buffer given to the layered window with UpdateLayeredWindow.
// Its timer is armed after each tick just as the clock's, for just after the next second
// begins. Nothing is freed at the end: the process's exit frees it all.

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <initializer_list>

#include "clock/tick_timing.h"
#include "win32/tick_timer.h"

namespace {

constexpr int kSize = 200;
constexpr UINT_PTR kTimer = 1;
constexpr double kTurn = 6.283185307;

HDC buffer = nullptr;  // the back buffer's memory DC, with the white brush selected
HDC face = nullptr;    // a memory DC holding the face at the window's size
// With a face that has transparent parts: the pixels of the buffer and of the face.
std::uint32_t* bufferBits = nullptr;
const std::uint32_t* faceBits = nullptr;
// The second hand is red, as the bench sets the clock's, so that the probe can read it.
HPEN secondPen = nullptr;

zarn::LocalTime localTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

POINT handPoint(double angle, double radius) {
  return POINT{static_cast<LONG>(std::lround(kSize / 2.0 + radius * std::sin(angle))),
               static_cast<LONG>(std::lround(kSize / 2.0 - radius * std::cos(angle)))};
}

// Draws the hands of now and arms the timer for the next tick.
void drawFace(HWND window) {
  BitBlt(buffer, 0, 0, kSize, kSize, face, 0, 0, SRCCOPY);
  const zarn::LocalTime now = localTime();
  const POINT centre{kSize / 2, kSize / 2};
  const double hour = ((now.hour % 12) * 5 + now.minute / 12.0) * kTurn / 60;
  const double minute = now.minute * kTurn / 60;
  const double second = now.second * kTurn / 60;
  const POINT hourHand[] = {centre, handPoint(hour - 0.15, kSize / 12.0),
                            handPoint(hour, kSize / 3.4), handPoint(hour + 0.15, kSize / 12.0)};
  const POINT minuteHand[] = {centre, handPoint(minute - 0.09, kSize / 12.0),
                              handPoint(minute, kSize / 2.6),
                              handPoint(minute + 0.09, kSize / 12.0)};
  const POINT secondHand[] = {handPoint(second, kSize / 2.5), centre, centre};
  SelectObject(buffer, GetStockObject(WHITE_PEN));
  Polygon(buffer, hourHand, 4);
  Polygon(buffer, minuteHand, 4);
  SelectObject(buffer, secondPen);
  Polygon(buffer, secondHand, 3);
  if (bufferBits != nullptr) {
    // GDI leaves what it draws transparent; the hands lie within their tips' box.
    GdiFlush();
    RECT box{centre.x, centre.y, centre.x + 1, centre.y + 1};
    for (const POINT& p : {hourHand[2], minuteHand[2], secondHand[0], hourHand[1], hourHand[3],
                           minuteHand[1], minuteHand[3]}) {
      box = RECT{std::min(box.left, p.x - 1), std::min(box.top, p.y - 1),
                 std::max(box.right, p.x + 2), std::max(box.bottom, p.y + 2)};
    }
    for (LONG y = std::max(box.top, 0L); y < std::min(box.bottom, LONG{kSize}); ++y) {
      for (LONG x = std::max(box.left, 0L); x < std::min(box.right, LONG{kSize}); ++x) {
        std::uint32_t& pixel = bufferBits[y * kSize + x];
        if (pixel != faceBits[y * kSize + x]) pixel |= 0xFF000000u;
      }
    }
    POINT origin{0, 0};
    SIZE size{kSize, kSize};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, nullptr, &size, buffer, &origin, 0, &blend, ULW_ALPHA);
  } else {
    InvalidateRect(window, nullptr, FALSE);
  }
  zarn::win32::armTickTimer(window, kTimer, zarn::delayToNextTick(now, localTime()));
}

HBITMAP sizedBitmap(void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kSize;
  info.bmiHeader.biHeight = -kSize;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Whether a 32-bit bitmap holds an opacity that is not all opaque (a BI_RGB one holds 0s).
bool transparent(const DIBSECTION& dib) {
  if (dib.dsBm.bmBitsPixel != 32 || dib.dsBm.bmBits == nullptr) return false;
  const auto* pixel = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
  bool some = false;
  bool opaque = true;
  for (LONG i = 0; i < dib.dsBm.bmWidth * dib.dsBm.bmHeight; ++i) {
    some = some || (pixel[i] >> 24) != 0;
    opaque = opaque && (pixel[i] >> 24) == 0xFF;
  }
  return some && !opaque;
}

// A bitmap file: loaded whole, stretched once; null for one with transparent parts.
HBITMAP loadBitmapFile(const wchar_t* file) {
  const auto picture = static_cast<HBITMAP>(
      LoadImageW(nullptr, file, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (picture == nullptr) return nullptr;
  DIBSECTION dib{};
  GetObjectW(picture, sizeof dib, &dib);
  if (transparent(dib)) {
    DeleteObject(picture);
    return nullptr;
  }
  const BITMAP& size = dib.dsBm;
  void* bits = nullptr;
  const HBITMAP scaled = sizedBitmap(&bits);
  const HDC source = CreateCompatibleDC(nullptr);
  const HDC target = CreateCompatibleDC(nullptr);
  SelectObject(source, picture);
  SelectObject(target, scaled);
  SetStretchBltMode(target, HALFTONE);
  SetBrushOrgEx(target, 0, 0, nullptr);
  StretchBlt(target, 0, 0, kSize, kSize, source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  DeleteDC(source);
  DeleteDC(target);
  DeleteObject(picture);
  return scaled;
}

// Any other picture: decoded by the imaging component straight to the window's size, a row
// at a time, premultiplied, and the component let go again.
HBITMAP loadPicture(const wchar_t* file, void*& bits) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return nullptr;
  HBITMAP scaled = nullptr;
  IWICImagingFactory* factory = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  IWICBitmapFrameDecode* frame = nullptr;
  IWICFormatConverter* converter = nullptr;
  IWICBitmapScaler* scaler = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&factory))) &&
      SUCCEEDED(factory->CreateDecoderFromFilename(file, nullptr, GENERIC_READ,
                                                   WICDecodeMetadataCacheOnDemand, &decoder)) &&
      SUCCEEDED(decoder->GetFrame(0, &frame)) &&
      SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
      SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                      nullptr, 0.0, WICBitmapPaletteTypeCustom)) &&
      SUCCEEDED(factory->CreateBitmapScaler(&scaler)) &&
      SUCCEEDED(scaler->Initialize(converter, kSize, kSize, WICBitmapInterpolationModeFant)) &&
      (scaled = sizedBitmap(&bits)) != nullptr) {
    for (int row = 0; row < kSize; ++row) {
      const WICRect line{0, row, kSize, 1};
      scaler->CopyPixels(&line, kSize * 4, kSize * 4, static_cast<BYTE*>(bits) + row * kSize * 4);
    }
  }
  for (IUnknown* object : {static_cast<IUnknown*>(scaler), static_cast<IUnknown*>(converter),
                           static_cast<IUnknown*>(frame), static_cast<IUnknown*>(decoder),
                           static_cast<IUnknown*>(factory)}) {
    if (object != nullptr) object->Release();
  }
  CoUninitialize();
  return scaled;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kTimer) drawFace(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(window, &paint);
      const RECT& r = paint.rcPaint;
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer, r.left, r.top, SRCCOPY);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR commandLine, int /*show*/) {
  const wchar_t* file =
      commandLine != nullptr && *commandLine != L'\0' ? commandLine : L"clockbg5.bmp";
  const std::size_t length = std::wcslen(file);
  const bool bitmapFile = length >= 4 && _wcsicmp(file + length - 4, L".bmp") == 0;
  void* bits = nullptr;
  HBITMAP picture = bitmapFile ? loadBitmapFile(file) : nullptr;
  if (picture == nullptr) picture = loadPicture(file, bits);
  if (picture == nullptr) return 1;
  face = CreateCompatibleDC(nullptr);
  SelectObject(face, picture);
  const auto* decoded = static_cast<const std::uint32_t*>(bits);
  const bool layered =
      decoded != nullptr && std::any_of(decoded, decoded + kSize * kSize,
                                        [](std::uint32_t p) { return (p >> 24) != 0xFF; });

  const HDC screen = GetDC(nullptr);
  buffer = CreateCompatibleDC(screen);
  if (layered) {
    void* buffered = nullptr;
    SelectObject(buffer, sizedBitmap(&buffered));
    bufferBits = static_cast<std::uint32_t*>(buffered);
    faceBits = decoded;
  } else {
    SelectObject(buffer, CreateCompatibleBitmap(screen, kSize, kSize));
  }
  ReleaseDC(nullptr, screen);
  SelectObject(buffer, GetStockObject(WHITE_BRUSH));
  secondPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"ZarnFloor";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(layered ? WS_EX_LAYERED : 0, L"ZarnFloor", L"", WS_POPUP, 0,
                                      0, kSize, kSize, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  // The first frame is in the back buffer before the window's first paint.
  drawFace(window);
  ShowWindow(window, SW_SHOW);

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
