// Fuzz target over the line analysis: the input describes text elements of
// one page (per element 12 bytes: position, size, font size, flags, and a
// text of up to 15 characters with a character box each, some of them
// missing or out of order), analysed by the layout analyzer and by the
// plain-text analyzer.
// Contract: nothing crashes, hangs, raises or reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "rtf/line_analyzer.h"
#include "rtf/text_line_analyzer.h"

using namespace vn::wordmodel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::unique_ptr<TvnTextElement>> elements;
  std::vector<std::unique_ptr<TvnRectF>> boxes;
  TvnPageData page;
  for (size_t at = 0; at + 12 <= size && elements.size() < 400; at += 12) {
    const uint8_t* p = data + at;
    auto e = std::make_unique<TvnTextElement>();
    const double x = p[0] * 2 + p[1] / 256.0, y = p[2] * 2 + p[3] / 64.0;
    const double w = p[4] / 4.0, h = p[5] / 8.0;
    const size_t chars = p[7] & 15u;
    vn::String text;
    for (size_t i = 0; i < chars; ++i)
      text += static_cast<char16_t>(p[8 + i % 4] % 3 == 0 ? u' ' : u'a' + p[8 + i % 4] % 26);
    e->SetText(text);
    if (p[6] & 1) {
      auto font = std::make_unique<vn::framework::TvnFont>();
      font->SetName(u"Arial");
      font->SetSize(p[6] >> 1);
      e->SetFont(std::move(font));
    }
    if (!(p[7] & 16)) e->SetBoundingRect(std::make_shared<TvnRectF>(x, y, w, h));
    const size_t nboxes = (p[7] & 32) ? chars / 2 : chars + ((p[7] & 64) ? 2 : 0);
    for (size_t i = 0; i < nboxes; ++i) {
      const double cx =
          (p[7] & 128) ? x + w - static_cast<double>(i) : x + static_cast<double>(i) * (w / 8 + p[9 + i % 3] / 32.0);
      boxes.push_back(std::make_unique<TvnRectF>(cx, y - h, w / 8, h));
      e->GetCharBoundingRect().push_back(boxes.back().get());
    }
    page.GetDocItems().push_back(e.get());
    elements.push_back(std::move(e));
  }
  {
    TvnDataCollection in, out;
    in.GetCollection().push_back(&page);
    vn::rtf::analyzer::TvnLineAnalyzer analyzer(&in, &out);
    analyzer.Analyze(nullptr, 0, 0, nullptr);
  }
  std::vector<vn::String> lines;
  vn::rtf::plaintext::TvnLineAnalyzer(page.GetDocItems(), lines);
  return 0;
}
