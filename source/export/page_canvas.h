// The page canvas of the export engine: what a caller draws on a page's
// Canvas() is recorded as an enhanced metafile by the platform's EMF
// recorder and becomes items of the page when the engine replays it. A
// metafile drawn on it stretched into a rectangle (PlayMetafile into a
// rectangle, or a metafile of another input resolution copied first) is
// played onto the recording by the platform's metafile player.
//
// The recording starts with the first drawing: a page nobody draws on
// records nothing and replays nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "export/document_engine.h"
#include "platform/canvas/emf_recorder.h"

namespace vn::exporter {

class RecordingPageCanvas : public TMetafileCanvas {
 public:
  // A page of width x height engine pixels (sides below 1 count as 1).
  RecordingPageCanvas(int32_t Width, int32_t Height);

  vn::platform::Canvas* Surface() override;
  // Nothing when nothing was drawn (and after the first call).
  std::unique_ptr<TMetafile> EndRecording() override;
  // Plays an enhanced metafile (or a Windows metafile, converted first)
  // into dest. Bytes that are neither raise the EMF reader's EEmfError.
  void StretchDraw(const TRect& Dest, const TMetafile& Metafile) override;

 private:
  int32_t FWidth, FHeight;
  std::optional<vn::platform::EmfRecorderCanvas> FRecorder;
  bool FEnded = false;
};

// Installs RecordingPageCanvas as the engine's page canvas
// (SetPageCanvasFactory).
void InstallPageCanvas();

}  // namespace vn::exporter
