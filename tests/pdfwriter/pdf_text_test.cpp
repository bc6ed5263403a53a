#include "pdf_test_support.h"

namespace vn::pdfwriter::testing {
namespace {

TEST(PdfTextScratch, Write) {
  PinClock();
  TestEngine engine(600, 400);
  engine.Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfSubset;
  engine.BeginDoc();
  engine.Font().Name = u"Arial";
  engine.Font().Size = 12;
  engine.TextOut(10, 10, u"Hello world, plain Latin text");
  engine.TextOut(10, 40, u"Καλημέρα κόσμε — Привет мир");
  engine.TextOut(10, 70, u"مرحبا بالعالم");
  engine.TextOut(10, 100, u"שלום עולם");
  engine.TextOut(10, 130, u"नमस्ते दुनिया");
  engine.TextOut(10, 160, u"สวัสดีชาวโลก");
  engine.TextOut(10, 190, u"你好世界 日本語のテキスト");
  engine.TextOut(10, 220, u"See www.example.com or mail me@example.org");
  engine.EndDoc();
  std::ofstream("/tmp/pt/scratch.pdf", std::ios::binary) << engine.Bytes();
}

}  // namespace
}  // namespace vn::pdfwriter::testing
