// Test doubles of the export engine tests: a format engine that logs every
// hook call as one line of text, a graphic with chosen bytes and size, and
// a counter of live items.
#pragma once

#include <string>
#include <vector>

#include "export/plain_sheet_engine.h"
#include "runtime/numbers.h"

namespace vn::exporter::testing {

inline std::string Num(double v) { return vn::FloatToStrA(v); }

class RecordingEngine : public TvnCustomPlainSheetEngine {
 public:
  RecordingEngine() {
    SetFileExtension(u"pdf");
    Preferences().SetShowSetupDialog(false);
    Preferences().SetOpenAfterCreate(false);
  }

  std::vector<std::string> Log;
  // Written by StartDocument when set (an output file of FileName + ".pdf").
  bool CreateFile = false;
  vn::TStream* Output = nullptr;
  int SetupResult = 1;
  // EndPage of this page throws.
  int FailAtPage = 0;

  using TvnCustomDocumentEngine::AddGraphicResource;
  using TvnCustomDocumentEngine::AddItem;
  using TvnCustomDocumentEngine::ConvertX;
  using TvnCustomDocumentEngine::ConvertY;
  using TvnCustomDocumentEngine::FBandRect;
  using TvnCustomDocumentEngine::FCapabilities;
  using TvnCustomDocumentEngine::FEngineFileNames;
  using TvnCustomDocumentEngine::GetImageResource;
  using TvnCustomDocumentEngine::GetPageItem;
  using TvnCustomDocumentEngine::IsPageToRender;

  // The band being rendered, as a word.
  std::string Band() const {
    static const char* names[] = {"content", "header", "footer", "watermark", "stamp"};
    return names[static_cast<int>(FBandType)];
  }

 protected:
  void Add(std::string line) { Log.push_back(std::move(line)); }
  int ExecuteSetupDialog() override { return SetupResult; }
  bool IsImageFormatSupported(TvnOutputImageFormat format, String&) override {
    return format != TvnOutputImageFormat::ifGIF;
  }
  void StartDocument() override {
    Add("StartDocument");
    if (CreateFile) {
      Output = CreateOutputFile(vn::ToUtf8(FileName() + u"." + FileExtension()));
      Output->WriteString("%out");
    }
  }
  void EndDocument() override {
    Add("EndDocument");
    Output = nullptr;
  }
  void PrepareEmail() override {
    TvnCustomPlainSheetEngine::PrepareEmail();
    std::string line = "PrepareEmail";
    for (int i = 0; i < EMailSettings().Attachments.Count(); ++i) line += " " + vn::ToUtf8(EMailSettings().Attachments[i]);
    Add(line);
  }
  void StartPage() override { Add("StartPage " + std::to_string(CurrentPage())); }
  void EndPage() override {
    Add("EndPage " + std::to_string(CurrentPage()));
    if (CurrentPage() == FailAtPage) throw vn::EWriteError("Stream write error");
  }
  void RenderTextItem(TvnTextItem& item) override {
    Add(Band() + " Text " + vn::ToUtf8(item.Lines.Count() == 0 ? String() : item.Lines.GetString(0)) + " @" + Num(item.X) + "," + Num(item.Y));
  }
  void RenderImageItem(TvnImageItem& item) override {
    Add(Band() + " Image #" + std::to_string(item.IndexNo) + " " + Num(item.X) + "," + Num(item.Y) + " " + Num(item.Width) + "x" +
        Num(item.Height));
  }
  void RenderImageStream(TvnImageStream& item) override {
    Add(Band() + " ImageStream #" + std::to_string(item.IndexNo) + " " + std::to_string(item.Stream.Size()) + " bytes");
  }
  void RenderOtherItem(TvnDocumentItem&) override { Add(Band() + " Other"); }
  void RenderClipItem(TvnClipItem&) override { Add(Band() + " Clip"); }
  void RenderPathItem(TvnPathItem&) override { Add(Band() + " Path"); }
  void RenderPolyPolygonItem(TvnPolyPolygonItem&) override { Add(Band() + " PolyPolygon"); }
  void RenderEOFItem(TvnEOFItem&) override { Add(Band() + " EOF"); }
  void RenderPolyDrawItem(TvnPolyDrawItem&) override { Add(Band() + " PolyDraw"); }
  void RenderTableItem(TvnTableItem&) override { Add(Band() + " Table"); }
  void RenderParagraphItem(TvnParagraphItem&) override { Add(Band() + " Paragraph"); }
  void DrawLine(double x1, double y1, double x2, double y2, const TPen&) override {
    Add(Band() + " Line " + Num(x1) + "," + Num(y1) + " " + Num(x2) + "," + Num(y2));
  }
  void DrawRectangle(double x1, double y1, double x2, double y2, const TPen&, const TBrush* brush) override {
    Add(Band() + " Rectangle " + Num(x1) + "," + Num(y1) + " " + Num(x2) + "," + Num(y2) + (brush ? " filled" : ""));
  }
  void DrawRoundRect(double, double, double, double, double x3, double y3, const TPen&, const TBrush*) override {
    Add(Band() + " RoundRect corner " + Num(x3) + "," + Num(y3));
  }
  void DrawEllipse(double, double, double, double, const TPen&, const TBrush*) override { Add(Band() + " Ellipse"); }
  void DrawPolygon(const TvnPoints&, int32_t n, const TBrush*, const TPen&, bool closed) override {
    Add(Band() + (closed ? " Polygon " : " PolyLine ") + std::to_string(n));
  }
  void DrawPolyShape(TvnPolyShapeItem& item, bool closed) override {
    Add(Band() + " PolyShape " + std::to_string(item.Shapes.size()) + (closed ? " closed" : " open"));
  }
  void DrawArc(double, double, double, double, double, double, double, double, const TPen&) override { Add(Band() + " Arc"); }
  void DrawPie(double, double, double, double, double, double, double, double, const TPen&, const TBrush*) override {
    Add(Band() + " Pie");
  }
  void DrawChord(double, double, double, double, double, double, double, double, const TPen&, const TBrush*) override {
    Add(Band() + " Chord");
  }
  void DrawPolyBezier(const TvnPoints&, int32_t n, const TPen&) override { Add(Band() + " PolyBezier " + std::to_string(n)); }
};

// A graphic of chosen bytes and size; Refuse makes copying it fail.
class TestGraphic : public TGraphic {
 public:
  TestGraphic(std::string bytes = "", int32_t w = 0, int32_t h = 0) : Bytes(std::move(bytes)), W(w), H(h) {}
  std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TestGraphic>(); }
  void Assign(const TGraphic& source) override {
    const auto& other = dynamic_cast<const TestGraphic&>(source);
    if (other.Refuse) throw vn::EConvertError("cannot copy");
    Bytes = other.Bytes;
    W = other.W;
    H = other.H;
  }
  void SaveToStream(vn::TStream& stream) const override { stream.WriteString(Bytes); }
  int32_t Width() const override { return W; }
  int32_t Height() const override { return H; }

  std::string Bytes;
  int32_t W, H;
  bool Refuse = false;
};

}  // namespace vn::exporter::testing
