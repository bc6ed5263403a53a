// Running content through the interpreter in tests: a content stream made
// from text, and a recording device that also writes down the path a
// painting operation receives and the colour components it is given.
#pragma once

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/base_doc.h"
#include "pdf/objects.h"
#include "pdf/pdf_file_builder.h"
#include "pdf/streams.h"
#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_resource.h"
#include "pdfdocument/recording_device.h"
#include "runtime/streams.h"

namespace vn::pdfdoc::content_test_support {

using vn::pdfdoc::test_support::RecordingDevice;

// A stream object whose (unfiltered) data are the text.
inline std::unique_ptr<vn::pdf::TvnPDStream> MakeContent(const std::string& AText) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(AText.data(), static_cast<int64_t>(AText.size()));
  return std::make_unique<vn::pdf::TvnPDStream>(vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(mem, 0, 0, false),
                                                std::make_unique<vn::pdf::TvnPDDictionary>());
}

// Paths as "[x,y x,y ...]" per sub-path (closed ones end with "z"), and
// colours as their first four components in units of 1/65536.
class PathDevice : public RecordingDevice {
 public:
  using RecordingDevice::RecordingDevice;

  static std::string Describe(const TvnPDPath& APath) {
    std::ostringstream out;
    for (int s = 0; s < APath.SubPathCount(); ++s) {
      const TvnPDSubPath* sub = APath.SubPath(s);
      out << " [";
      for (int k = 0; k < sub->PointCount(); ++k) out << (k ? " " : "") << sub->X(k) << ',' << sub->Y(k);
      out << (sub->IsClosed() ? " z]" : "]");
    }
    return out.str();
  }
  static std::string Comps(const TvnColorComp& AColor) {
    std::ostringstream out;
    for (int i = 0; i < 4; ++i) out << ' ' << AColor.Comps[static_cast<size_t>(i)];
    return out.str();
  }

  void Stroke(TvnPDState& S) override { calls.push_back("Stroke" + Describe(S.Path())); }
  void Fill(TvnPDState& S) override { calls.push_back("Fill" + Describe(S.Path())); }
  void EvenOddFill(TvnPDState& S) override { calls.push_back("EvenOddFill" + Describe(S.Path())); }
  void Clip(TvnPDState& S) override { calls.push_back("Clip" + Describe(S.Path())); }
  void EvenOddClip(TvnPDState& S) override { calls.push_back("EvenOddClip" + Describe(S.Path())); }
  void UpdateFillColor(TvnPDState& S) override { calls.push_back("UpdateFillColor" + Comps(S.GetFillColor())); }
  void UpdateStrokeColor(TvnPDState& S) override {
    calls.push_back("UpdateStrokeColor" + Comps(S.GetStrokeColor()));
  }
};

// The calls after the start of a page's run (SetDefaultCTM and the
// UpdateAll that follows it, ending with UpdateTransfer), or all of them
// with AAll, joined by "; ".
inline std::string Joined(const std::vector<std::string>& ACalls, bool AAll = false) {
  std::string out;
  bool started = AAll;
  for (const auto& c : ACalls) {
    if (!started) {
      started = c == "UpdateTransfer";
      continue;
    }
    if (!out.empty()) out += "; ";
    out += c;
  }
  return out;
}

// A stream object's text with unfiltered data.
inline std::string StreamObj(const std::string& AEntries, const std::string& AData) {
  return "<< " + AEntries + " /Length " + std::to_string(AData.size()) + " >>\nstream\n" + AData + "\nendstream";
}

// A document of numbered objects and the resources of one of them.
struct ContentDoc {
  std::shared_ptr<vn::TMemoryStream> File;
  std::unique_ptr<vn::pdf::TvnPDBaseDoc> Doc;
  std::unique_ptr<TvnPDResource> Resources;

  // Runs the content with the resources on a page state; the calls as
  // Joined gives them.
  std::string Run(const std::string& AContent, TvnPDExportDevice& ADevice,
                  std::unique_ptr<TvnPDContentStream>* AKeep = nullptr) const {
    auto stream = MakeContent(AContent);
    auto content = std::make_unique<TvnPDContentStream>(Doc.get(), nullptr, stream.get());
    content->Display(&ADevice, 72, 72, 1, 0, nullptr, nullptr, Resources.get());
    if (AKeep) *AKeep = std::move(content);
    auto* recording = dynamic_cast<RecordingDevice*>(&ADevice);
    return recording ? Joined(recording->calls) : std::string();
  }
};

inline ContentDoc LoadContentDoc(const std::map<int64_t, std::string>& AObjects, int64_t AResources) {
  vn::pdf::testing::PdfFileBuilder builder;
  for (const auto& [number, body] : AObjects) builder.Obj(number, body);
  builder.Obj(900, "<< /Type /Pages /Kids [] /Count 0 >>");
  builder.Obj(901, "<< /Type /Catalog /Pages 900 0 R >>");
  builder.ClassicTable("/Size 902 /Root 901 0 R");
  ContentDoc out;
  out.File = builder.Stream();
  out.Doc = std::make_unique<vn::pdf::TvnPDBaseDoc>();
  out.Doc->LoadDocument(out.File.get(), "");
  out.Resources = std::make_unique<TvnPDResource>(out.Doc.get(), nullptr, out.Doc->GetObject(AResources));
  return out;
}

}  // namespace vn::pdfdoc::content_test_support
