#include "dialogs.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zarn::e2e {

namespace {

void setText(HWND control, const std::wstring& text) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, 5000, &result);
}

template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_ != nullptr) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

}  // namespace

void requireHr(HRESULT hr, std::string_view what) {
  requireTrue(SUCCEEDED(hr), std::string(what),
              printed("HRESULT 0x%08lx", static_cast<unsigned long>(hr)), "success");
}

HWND openProperties(const ClockProcess& clock, HWND window, const std::source_location& where) {
  const POINT p = centreOnScreen(window);
  mouseMoveTo(p.x, p.y);
  pause(50);
  mouseButton(p.x, p.y, false, true);
  pause(50);
  mouseButton(p.x, p.y, false, false);
  const HWND menu = waitForPopupMenu(5000);
  requireTrue(menu != nullptr, "the popup menu after a right press on the clock", "none in 5 s",
              "a window of class #32768", where);
  RECT rect{};
  GetWindowRect(menu, &rect);
  click((rect.left + rect.right) / 2, rect.bottom - 8);
  HWND dialog = nullptr;
  const std::wstring title = kPropertiesCaption;
  waitUntil(10000, [&] {
    for (const HWND w : topLevelWindows(clock.id(), kPropertiesClassName, &title)) {
      if (IsWindowVisible(w)) dialog = w;
    }
    return dialog != nullptr;
  });
  requireTrue(dialog != nullptr, "the properties dialog after choosing \"Eigenschaften\"",
              "no visible window in 10 s",
              "a window of class ZarnProperties titled \"Zarn - Eigenschaften\"", where);
  requireTrue(waitUntil(5000, [&] { return GetForegroundWindow() == dialog; }),
              "the properties dialog", "not in the foreground", "the active window", where);
  return dialog;
}

void clickControl(HWND dialog, PropertiesControl control) {
  const POINT p = centreOnScreen(GetDlgItem(dialog, number(control)));
  click(p.x, p.y);
}

HWND waitForCommonDialog(const ClockProcess& clock, const wchar_t* title, int control,
                         const std::source_location& where) {
  HWND found = nullptr;
  const std::wstring wanted = title;
  const bool ready = waitUntil(kCommonDialogTimeout, [&] {
    for (const HWND w : topLevelWindows(clock.id(), L"#32770", &wanted)) {
      if (IsWindowVisible(w) && GetDlgItem(w, control) != nullptr) found = w;
    }
    return found != nullptr;
  });
  requireTrue(ready, "the system's dialog " + describe(title), "none in 30 s",
              printed("a #32770 window with the control %d", control), where);
  return found;
}

void enterText(HWND dialog, int id, const std::wstring& text, const std::source_location& where) {
  const bool entered = waitUntil(5000, [&] {
    setText(GetDlgItem(dialog, id), text);
    pause(100);
    return dialogItemText(dialog, id) == text;
  });
  requireTrue(entered, printed("the text of control %d", id), describe(dialogItemText(dialog, id)),
              describe(text), where);
}

void pressAndWaitGone(HWND dialog, int button, std::string_view what,
                      const std::source_location& where) {
  PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
  requireTrue(waitUntil(10000, [&] { return gone(dialog); }), std::string(what), "still open",
              "closed", where);
}

void chooseColour(const ClockProcess& clock, HWND dialog, PropertiesControl button,
                  const Rgb* colour, const std::source_location& where) {
  clickControl(dialog, button);
  const HWND colours = waitForCommonDialog(clock, L"Color", kRedEdit, where);
  if (colour == nullptr) {
    pressAndWaitGone(colours, IDCANCEL, "the colour dialog after Cancel", where);
    return;
  }
  enterText(colours, kRedEdit, std::to_wstring(colour->r), where);
  enterText(colours, kGreenEdit, std::to_wstring(colour->g), where);
  enterText(colours, kBlueEdit, std::to_wstring(colour->b), where);
  pressAndWaitGone(colours, IDOK, "the colour dialog after OK", where);
}

std::wstring choosePicture(const ClockProcess& clock, HWND dialog, const std::wstring& path,
                           const std::source_location& where) {
  clickControl(dialog, cmdBG);
  const HWND files = waitForCommonDialog(clock, L"Open", kFileNameEdit, where);
  std::wstring initial = dialogItemText(files, kFileNameEdit);
  if (path.empty()) {
    pressAndWaitGone(files, IDCANCEL, "the open-file dialog after Cancel", where);
  } else {
    enterText(files, kFileNameEdit, path, where);
    pressAndWaitGone(files, IDOK, "the open-file dialog after Open", where);
  }
  return initial;
}

namespace {

// A JPEG file being written: its one frame is sized and set to 24-bit BGR, ready for pixels.
struct JpegWriter {
  Com<IWICStream> stream;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
};

void startJpeg(IWICImagingFactory& factory, const std::wstring& jpeg, UINT width, UINT height,
               JpegWriter& writer) {
  requireHr(factory.CreateStream(writer.stream.out()), "creating a stream");
  requireHr(writer.stream->InitializeFromFilename(jpeg.c_str(), GENERIC_WRITE),
            "creating the JPEG file");
  requireHr(factory.CreateEncoder(GUID_ContainerFormatJpeg, nullptr, writer.encoder.out()),
            "creating the JPEG encoder");
  requireHr(writer.encoder->Initialize(writer.stream.get(), WICBitmapEncoderNoCache),
            "starting the JPEG");
  Com<IPropertyBag2> options;
  requireHr(writer.encoder->CreateNewFrame(writer.frame.out(), options.out()),
            "adding the JPEG's frame");
  requireHr(writer.frame->Initialize(options.get()), "starting the JPEG's frame");
  requireHr(writer.frame->SetSize(width, height), "sizing the JPEG's frame");
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  requireHr(writer.frame->SetPixelFormat(&format), "the JPEG's pixel format");
}

}  // namespace

void writeJpeg(const std::wstring& bitmap, const std::wstring& jpeg) {
  Com<IWICImagingFactory> factory;
  requireHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())),
            "creating the imaging factory");
  Com<IWICBitmapDecoder> decoder;
  requireHr(factory->CreateDecoderFromFilename(bitmap.c_str(), nullptr, GENERIC_READ,
                                               WICDecodeMetadataCacheOnDemand, decoder.out()),
            "opening " + describe(bitmap));
  Com<IWICBitmapFrameDecode> source;
  requireHr(decoder->GetFrame(0, source.out()), "reading " + describe(bitmap));
  UINT width = 0;
  UINT height = 0;
  requireHr(source->GetSize(&width, &height), "the size of " + describe(bitmap));

  JpegWriter writer;
  startJpeg(*factory.get(), jpeg, width, height, writer);
  IWICBitmapFrameEncode* const frame = writer.frame.get();
  IWICBitmapEncoder* const encoder = writer.encoder.get();
  requireHr(frame->WriteSource(source.get(), nullptr), "encoding the picture");
  requireHr(frame->Commit(), "finishing the JPEG's frame");
  requireHr(encoder->Commit(), "finishing the JPEG");
}

void writeFramedJpeg(const std::wstring& jpeg, UINT width, UINT height, Rgb outside, Rgb inside) {
  Com<IWICImagingFactory> factory;
  requireHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())),
            "creating the imaging factory");
  JpegWriter writer;
  startJpeg(*factory.get(), jpeg, width, height, writer);
  IWICBitmapFrameEncode* const frame = writer.frame.get();
  IWICBitmapEncoder* const encoder = writer.encoder.get();
  constexpr UINT kStrip = 64;
  const UINT stride = (width * 3 + 3) & ~3u;
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * kStrip);
  const auto middle = [](UINT at, UINT size) { return at >= size * 2 / 5 && at < size * 3 / 5; };
  for (UINT top = 0; top < height; top += kStrip) {
    const UINT count = std::min(kStrip, height - top);
    for (UINT row = 0; row < count; ++row) {
      for (UINT x = 0; x < width; ++x) {
        const Rgb c = middle(top + row, height) && middle(x, width) ? inside : outside;
        BYTE* p = &rows[static_cast<std::size_t>(row) * stride + x * 3];
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
      }
    }
    requireHr(frame->WritePixels(count, stride, stride * count, rows.data()),
              "encoding the JPEG's rows");
  }
  requireHr(frame->Commit(), "finishing the JPEG's frame");
  requireHr(encoder->Commit(), "finishing the JPEG");
}

}  // namespace zarn::e2e
