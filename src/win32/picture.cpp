#include "win32/picture.h"

#include <cstdint>
#include <string>

#include "platform/failure.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace zarn::win32 {

namespace {

std::string cannotLoad(const std::string& path) {
  return "Bild \"" + path + "\" kann nicht geladen werden: ";
}

void check(HRESULT result, const std::string& path) {
  if (FAILED(result)) {
    throw Failure(static_cast<std::int32_t>(result),
                  cannotLoad(path) + systemMessage(static_cast<DWORD>(result)));
  }
}

}  // namespace

Win32Picture::Win32Picture(UniqueBitmap bitmap, int width, int height)
    : bitmap_(std::move(bitmap)), width_(width), height_(height) {}

Handle Win32Picture::handle() const { return reinterpret_cast<Handle>(bitmap_.get()); }

IWICImagingFactory& WicPictureLoader::factory(const std::string& path) {
  if (!factory_) {
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_PPV_ARGS(factory_.put())),
          path);
  }
  return *factory_.get();
}

std::unique_ptr<Picture> WicPictureLoader::loadPicture(const std::string& path) {
  if (path.empty()) return std::make_unique<Win32Picture>();

  IWICImagingFactory& imaging = factory(path);
  ComPtr<IWICBitmapDecoder> decoder;
  check(imaging.CreateDecoderFromFilename(widen(path).c_str(), nullptr, GENERIC_READ,
                                          WICDecodeMetadataCacheOnDemand, decoder.put()),
        path);
  ComPtr<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, frame.put()), path);
  UINT width = 0;
  UINT height = 0;
  check(frame->GetSize(&width, &height), path);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    throw Failure(errors::kPictureUnusable,
                  cannotLoad(path) + std::to_string(width) + " x " + std::to_string(height) +
                      " Bildpunkte sind keine brauchbare Gr\u00F6\u00DFe");
  }

  ComPtr<IWICFormatConverter> converter;
  check(imaging.CreateFormatConverter(converter.put()), path);
  check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                              nullptr, 0.0, WICBitmapPaletteTypeCustom),
        path);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, like the decoder's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    throw Failure(errors::kPictureUnusable, cannotLoad(path) + "kein Speicher f\u00FCr " +
                                                std::to_string(width) + " x " +
                                                std::to_string(height) + " Bildpunkte");
  }
  const UINT stride = width * 4;
  check(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)), path);
  return std::make_unique<Win32Picture>(std::move(bitmap), static_cast<int>(width),
                                        static_cast<int>(height));
}

}  // namespace zarn::win32
