// floor.exe: the least Win32 program that does the clock's visible work, the floor that
// zarn.exe's cost is measured against. A 200 by 200 borderless popup at the screen's
// corner stretches clockbg5.bmp from the current folder, loaded once, into a back buffer
// each second, draws the three hands over it as white polygons and presents the buffer at
// WM_PAINT. Nothing is freed at the end: the process's exit frees it all.

#include <windows.h>

#include <cmath>

namespace {

constexpr int kSize = 200;
constexpr UINT_PTR kTimer = 1;
constexpr double kTurn = 6.283185307;

HDC buffer = nullptr;  // the back buffer's memory DC, with the white brush and pen selected
HDC face = nullptr;    // a memory DC holding the picture
BITMAP faceSize{};

POINT handPoint(double angle, double radius) {
  return POINT{static_cast<LONG>(std::lround(kSize / 2.0 + radius * std::sin(angle))),
               static_cast<LONG>(std::lround(kSize / 2.0 - radius * std::cos(angle)))};
}

void drawFace(HWND window) {
  StretchBlt(buffer, 0, 0, kSize, kSize, face, 0, 0, faceSize.bmWidth, faceSize.bmHeight, SRCCOPY);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const POINT centre{kSize / 2, kSize / 2};
  const double hour = ((now.wHour % 12) * 5 + now.wMinute / 12.0) * kTurn / 60;
  const double minute = now.wMinute * kTurn / 60;
  const double second = now.wSecond * kTurn / 60;
  const POINT hourHand[] = {centre, handPoint(hour - 0.15, kSize / 12.0),
                            handPoint(hour, kSize / 3.4), handPoint(hour + 0.15, kSize / 12.0)};
  const POINT minuteHand[] = {centre, handPoint(minute - 0.09, kSize / 12.0),
                              handPoint(minute, kSize / 2.6),
                              handPoint(minute + 0.09, kSize / 12.0)};
  const POINT secondHand[] = {handPoint(second, kSize / 2.5), centre, centre};
  Polygon(buffer, hourHand, 4);
  Polygon(buffer, minuteHand, 4);
  Polygon(buffer, secondHand, 3);
  InvalidateRect(window, nullptr, FALSE);
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  const auto picture = static_cast<HBITMAP>(
      LoadImageW(nullptr, L"clockbg5.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (picture == nullptr) return 1;
  GetObjectW(picture, sizeof faceSize, &faceSize);
  face = CreateCompatibleDC(nullptr);
  SelectObject(face, picture);

  const HDC screen = GetDC(nullptr);
  buffer = CreateCompatibleDC(screen);
  SelectObject(buffer, CreateCompatibleBitmap(screen, kSize, kSize));
  ReleaseDC(nullptr, screen);
  SetStretchBltMode(buffer, HALFTONE);
  SetBrushOrgEx(buffer, 0, 0, nullptr);
  SelectObject(buffer, GetStockObject(WHITE_BRUSH));
  SelectObject(buffer, GetStockObject(WHITE_PEN));

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"ZarnFloor";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, L"ZarnFloor", L"", WS_POPUP | WS_VISIBLE, 0, 0, kSize,
                                      kSize, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  SetTimer(window, kTimer, 1000, nullptr);

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
