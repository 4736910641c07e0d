#include "win32/picture.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "desktop/picture_files.h"
#include "platform/failure.h"
#include "win32/system_error.h"
#include "win32/text.h"

#ifndef __IWICBitmapSourceTransform_INTERFACE_DEFINED__
// The imaging component's decoding at a reduced size, which its JPEG decoder offers; the
// mingw-w64 headers of this toolchain do not declare it.
struct IWICBitmapSourceTransform : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                               WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions transform, UINT stride,
                                               UINT bufferSize, BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                         BOOL* supported) = 0;
};
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3b16811b, 0x6a43, 0x4ec9, 0xb7, 0x13, 0x3d, 0x5a, 0x0c,
                0x13, 0xb9, 0x40)
#endif

namespace zarn::win32 {

namespace {

using Microsoft::WRL::ComPtr;

constexpr std::uint64_t kBytesPerPixel = 4;
// The imaging component counts strides and buffers in 32-bit byte counts.
constexpr std::uint64_t kMaxBytes = std::numeric_limits<UINT>::max();
// The most pixels a decoder is given to decode, 1 GiB at 32 bits per pixel, in any shape.
// Decoders may hold the whole frame while they decode (under Wine the BMP and JPEG decoders
// do), and for a header that claims more they would take gigabytes before they fail on
// the missing data.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{16384} * 16384;

std::string cannotLoad(const std::string& path) {
  return "Bild \"" + path + "\" kann nicht geladen werden: ";
}

void check(HRESULT result, const std::string& path) {
  if (FAILED(result)) {
    throw Failure(static_cast<std::int32_t>(result),
                  cannotLoad(path) + systemMessage(static_cast<DWORD>(result)));
  }
}

std::string pixels(UINT width, UINT height) {
  return std::to_string(width) + " x " + std::to_string(height) + " Bildpunkte";
}

bool missing(const std::wstring& name) {
  if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The folder of the program's own file with its trailing backslash; empty when unknown.
std::wstring programFolder() {
  std::wstring file(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, file.data(), static_cast<DWORD>(file.size()));
    if (length == 0) return {};
    if (length < file.size()) {
      file.resize(length);
      break;
    }
    if (file.size() >= 32768) return {};
    file.resize(file.size() * 2);
  }
  const std::size_t separator = file.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : file.substr(0, separator + 1);
}

// How a frame is decoded: at its own size, or by its decoder at the smallest reduced size
// that it offers for the shown size, when decodesReduced takes that.
struct Decoding {
  UINT width = 0;
  UINT height = 0;
  ComPtr<IWICBitmapSourceTransform> reducing;  // null at the frame's own size
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
};

Decoding decoding(IWICBitmapFrameDecode& frame, UINT width, UINT height, UINT shownWidth,
                  UINT shownHeight) {
  Decoding reduced{shownWidth, shownHeight, nullptr};
  BOOL upright = FALSE;
  if (FAILED(frame.QueryInterface(IID_PPV_ARGS(reduced.reducing.GetAddressOf()))) ||
      FAILED(reduced.reducing->DoesSupportTransform(WICBitmapTransformRotate0, &upright)) ||
      !upright || FAILED(reduced.reducing->GetClosestSize(&reduced.width, &reduced.height)) ||
      FAILED(reduced.reducing->GetClosestPixelFormat(&reduced.format)) ||
      !decodesReduced({width, height}, {shownWidth, shownHeight},
                      {reduced.width, reduced.height})) {
    return Decoding{width, height, nullptr};
  }
  return reduced;
}

// The frame decoded at the reduced size; its decoder's failures are reported as any other.
ComPtr<IWICBitmapSource> decodeReduced(IWICImagingFactory& imaging, Decoding how,
                                       const std::string& path) {
  ComPtr<IWICBitmap> reduced;
  check(imaging.CreateBitmap(how.width, how.height, how.format, WICBitmapCacheOnLoad,
                             reduced.GetAddressOf()),
        path);
  const WICRect whole{0, 0, static_cast<INT>(how.width), static_cast<INT>(how.height)};
  ComPtr<IWICBitmapLock> lock;
  check(reduced->Lock(&whole, WICBitmapLockWrite, lock.GetAddressOf()), path);
  UINT stride = 0;
  UINT size = 0;
  BYTE* bits = nullptr;
  check(lock->GetStride(&stride), path);
  check(lock->GetDataPointer(&size, &bits), path);
  check(how.reducing->CopyPixels(nullptr, how.width, how.height, &how.format,
                                 WICBitmapTransformRotate0, stride, size, bits),
        path);
  return reduced;
}

}  // namespace

UniqueBitmap createTopDownBitmap(LONG width, LONG height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  // With DIB_RGB_COLORS the section takes no palette, so it needs no device context.
  return UniqueBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

Handle Win32Picture::handle() const { return toHandle(bitmap_.get()); }

HDC Win32Picture::source() const {
  if (!source_ && bitmap_) {
    source_.reset(CreateCompatibleDC(nullptr));
    if (source_) SelectObject(source_.get(), bitmap_.get());
  }
  return source_.get();
}

const Win32Picture* win32Picture(const Picture& picture) noexcept {
  // Every picture of the Win32 layer is one of its loaders'.
  const auto* own = dynamic_cast<const Win32Picture*>(&picture);
  return own == nullptr || own->handle() == 0 ? nullptr : own;
}

bool drawPicture(HDC dc, const Picture& picture, int left, int top, int width, int height,
                 int stretchMode, bool blend) noexcept {
  const Win32Picture* own = win32Picture(picture);
  if (own == nullptr) return false;
  BITMAP size{};
  if (GetObjectW(fromHandle<HBITMAP>(own->handle()), sizeof size, &size) == 0) return false;
  const HDC source = own->source();
  if (source == nullptr) return false;
  if (blend && own->transparent()) {
    const BLENDFUNCTION over{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(dc, left, top, width, height, source, 0, 0, size.bmWidth, size.bmHeight,
                      over) != FALSE;
  }
  // Halftoning makes its own colours and drops the opacity of a transparent face.
  if (own->transparent()) stretchMode = COLORONCOLOR;
  if (size.bmWidth == width && size.bmHeight == height) {
    return BitBlt(dc, left, top, width, height, source, 0, 0, SRCCOPY) != FALSE;
  }
  const int previousMode = SetStretchBltMode(dc, stretchMode);
  POINT previousOrigin{};
  SetBrushOrgEx(dc, 0, 0, &previousOrigin);
  const BOOL drawn =
      StretchBlt(dc, left, top, width, height, source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
  SetStretchBltMode(dc, previousMode);
  return drawn != FALSE;
}

IWICImagingFactory& WicPictureLoader::factory(const std::string& path) {
  if (!factory_) {
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_PPV_ARGS(factory_.ReleaseAndGetAddressOf())),
          path);
  }
  return *factory_.Get();
}

std::unique_ptr<Picture> WicPictureLoader::loadPicture(const std::string& path) {
  if (path.empty()) return std::make_unique<Win32Picture>();

  IWICImagingFactory& imaging = factory(path);
  ComPtr<IWICBitmapDecoder> decoder;
  const std::wstring file = fileToOpen(widen(path), missing, programFolder);
  check(imaging.CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                          WICDecodeMetadataCacheOnDemand, decoder.GetAddressOf()),
        path);
  ComPtr<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, frame.GetAddressOf()), path);
  UINT width = 0;
  UINT height = 0;
  check(frame->GetSize(&width, &height), path);
  const SIZE shown = shownSize_ ? shownSize_() : SIZE{};
  const UINT shownWidth = static_cast<UINT>(std::max<LONG>(shown.cx, 1));
  const UINT shownHeight = static_cast<UINT>(std::max<LONG>(shown.cy, 1));
  const Decoding how = decoding(*frame.Get(), width, height, shownWidth, shownHeight);
  // Only what is decoded is limited: a picture that its decoder reduces may be larger.
  if (width == 0 || height == 0 || std::uint64_t{how.width} * how.height > kMaxDecodedPixels) {
    throw Failure(errors::kPictureUnusable, cannotLoad(path) + pixels(width, height) +
                                                " sind keine brauchbare Gr\u00F6\u00DFe");
  }
  const std::uint64_t stride = shownWidth * kBytesPerPixel;
  const auto noMemory = [&] {
    return Failure(errors::kPictureUnusable,
                   cannotLoad(path) + "kein Speicher f\u00FCr " + pixels(shownWidth, shownHeight));
  };
  if (stride * shownHeight > kMaxBytes) throw noMemory();

  ComPtr<IWICBitmapSource> source = frame;
  if (how.reducing) source = decodeReduced(imaging, how, path);
  ComPtr<IWICFormatConverter> converter;
  check(imaging.CreateFormatConverter(converter.GetAddressOf()), path);
  // Premultiplied here, once, as the layered window and AlphaBlend take the colours; an
  // opaque picture comes out with every opacity 255 and is shown as before.
  check(converter->Initialize(source.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                              nullptr, 0.0, WICBitmapPaletteTypeCustom),
        path);
  ComPtr<IWICBitmapScaler> scaler;
  check(imaging.CreateBitmapScaler(scaler.GetAddressOf()), path);
  check(
      scaler->Initialize(converter.Get(), shownWidth, shownHeight, WICBitmapInterpolationModeFant),
      path);

  // Top-down, like the rows below.
  void* bits = nullptr;
  UniqueBitmap bitmap =
      createTopDownBitmap(static_cast<LONG>(shownWidth), static_cast<LONG>(shownHeight), &bits);
  if (!bitmap || bits == nullptr) throw noMemory();
  // Row by row: the scaler asks its source for all the rows that the rows asked of it
  // span, so asking for every row at once would hold the whole picture again.
  const auto rowBytes = static_cast<UINT>(stride);
  for (UINT row = 0; row < shownHeight; ++row) {
    const WICRect line{0, static_cast<INT>(row), static_cast<INT>(shownWidth), 1};
    check(scaler->CopyPixels(&line, rowBytes, rowBytes, static_cast<BYTE*>(bits) + row * stride),
          path);
  }
  const auto* pixel = static_cast<const std::uint32_t*>(bits);
  const bool transparent = std::any_of(pixel, pixel + std::size_t{shownWidth} * shownHeight,
                                       [](std::uint32_t p) { return (p >> 24) != 0xFF; });
  return std::make_unique<Win32Picture>(std::move(bitmap), transparent);
}

}  // namespace zarn::win32
