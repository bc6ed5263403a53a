#include "export/page_canvas.h"

#include <algorithm>
#include <span>

#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"
#include "platform/emf/wmf_converter.h"

namespace vn::exporter {

namespace pf = vn::platform;

RecordingPageCanvas::RecordingPageCanvas(int32_t width, int32_t height)
    : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)) {}

pf::Canvas* RecordingPageCanvas::Surface() {
  if (FEnded) return nullptr;
  if (!FRecorder) FRecorder.emplace(FWidth, FHeight);
  return &*FRecorder;
}

std::unique_ptr<TMetafile> RecordingPageCanvas::EndRecording() {
  FEnded = true;
  if (!FRecorder) return nullptr;
  auto metafile = std::make_unique<TMetafile>();
  metafile->Bytes = FRecorder->Finish();
  metafile->Width = FWidth;
  metafile->Height = FHeight;
  FRecorder.reset();
  return metafile;
}

void RecordingPageCanvas::StretchDraw(const TRect& dest, const TMetafile& metafile) {
  pf::Canvas* surface = Surface();
  if (!surface) return;
  const auto bytes = std::as_bytes(std::span<const char>(metafile.Bytes.data(), metafile.Bytes.size()));
  const pf::emf::EmfFile file(!pf::emf::EmfFile::IsEmf(bytes) && pf::emf::IsWmf(bytes) ? pf::emf::ConvertWmfToEmf(bytes)
                                                                                        : metafile.Bytes);
  pf::PlayMetafile(file, *surface, pf::Rect{dest.Left, dest.Top, dest.Right, dest.Bottom});
}

void InstallPageCanvas() {
  SetPageCanvasFactory(
      [](int32_t width, int32_t height) { return std::make_unique<RecordingPageCanvas>(width, height); });
}

}  // namespace vn::exporter
