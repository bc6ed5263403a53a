// The charstring interpreter: number encodings, the operators of both
// charstring kinds, widths, hint masks, subroutines with their bias and
// limits, flex, accents, and the conversion to outline records.
#include "fonts/charstring_interpreter.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "type1_test_fonts.h"

namespace vn::fonts::charstring_interpreter_test {
namespace {

using testing::Assemble;
using testing::Bytes;

// The two lists as text: "M x y", "L x y", "C x1 y1 x2 y2 x3 y3", "Z".
std::string Describe(const std::vector<TvnStepKind>& cmds, const std::vector<float>& coords) {
  std::string out;
  size_t k = 0;
  auto take = [&](int n) {
    for (int i = 0; i < n && k < coords.size(); ++i) {
      char buf[32];
      std::snprintf(buf, sizeof buf, " %g", coords[k++]);
      out += buf;
    }
  };
  for (TvnStepKind c : cmds) {
    if (!out.empty()) out += " ";
    switch (c) {
      case TvnStepKind::moveto: out += "M"; take(2); break;
      case TvnStepKind::lineto: out += "L"; take(2); break;
      case TvnStepKind::curveto: out += "C"; take(6); break;
      case TvnStepKind::closepath: out += "Z"; break;
      default: out += "?"; break;
    }
  }
  return out;
}

struct Font {
  TvnCharStringsDict charstrings;
  TvnSubrList subrs, gsubrs;
  TvnPrivateDict priv;
  bool type2 = true;

  Font& Glyph(const std::string& name, const std::string& text, int len_iv = 0) {
    Bytes b(static_cast<size_t>(len_iv), 0);
    const Bytes body = Assemble(text, type2);
    b.insert(b.end(), body.begin(), body.end());
    charstrings.Insert(name, TvnBytes(b));
    return *this;
  }
  std::string Run(const std::string& name, int* hints = nullptr) {
    std::vector<float> coords;
    std::vector<TvnStepKind> cmds;
    TvnType1Glyphs g;
    g.GetTwoArrLists(coords, cmds, name, charstrings, &subrs, type2, type2 ? nullptr : &priv, &gsubrs);
    if (hints) *hints = g.HintCount();
    return Describe(cmds, coords);
  }
};

std::string Type2(const std::string& text) { return Font().Glyph("g", text).Run("g"); }
std::string Type1(const std::string& text) {
  Font f;
  f.type2 = false;
  f.priv["lenIV"] = "0";
  return f.Glyph("g", text).Run("g");
}

TEST(CharstringNumbers, Encodings) {
  struct Case {
    Bytes bytes;
    bool type2;
    double value;
    size_t next;
  } cases[] = {
      {{139}, false, 0, 1},
      {{32}, false, -107, 1},
      {{246}, true, 107, 1},
      {{247, 0}, false, 108, 2},
      {{250, 255}, false, 1131, 2},
      {{251, 0}, true, -108, 2},
      {{254, 255}, true, -1131, 2},
      {{28, 0x80, 0x00}, true, -32768, 3},
      {{28, 0x01, 0x02}, false, 258, 3},
      {{255, 0xFF, 0xFF, 0xFF, 0xFE}, false, -2, 5},
      {{255, 0x00, 0x01, 0x80, 0x00}, true, 1.5, 5},
      {{255, 0xFF, 0xFE, 0x80, 0x00}, true, -1.5, 5},
  };
  for (const Case& c : cases) {
    double v = 99999;
    EXPECT_EQ(TvnType1Glyphs::GetNumber(c.bytes, 0, c.type2, v), c.next) << int(c.bytes[0]);
    EXPECT_EQ(v, c.value) << int(c.bytes[0]);
  }
  double v;
  for (const Bytes& cut : {Bytes{247}, Bytes{28, 1}, Bytes{255, 0, 0, 0}, Bytes{14}, Bytes{}})
    EXPECT_EQ(TvnType1Glyphs::GetNumber(cut, 0, true, v), TvnType1Glyphs::kNoNumber);
}

TEST(CharstringType2, Operators) {
  struct Case {
    const char* program;
    const char* outline;
  } cases[] = {
      {"10 20 rmoveto 30 40 rlineto endchar", "M 10 20 L 40 60 Z"},
      // The first stack-clearing operator may carry the width first.
      {"500 10 20 rmoveto endchar", "M 10 20 Z"},
      {"500 5 hmoveto endchar", "M 5 0 Z"},
      {"500 5 vmoveto endchar", "M 0 5 Z"},
      {"500 1 2 hstem 5 vmoveto endchar", "M 0 5 Z"},
      {"0 0 rmoveto 10 20 30 hlineto", "M 0 0 L 10 0 L 10 20 L 40 20"},
      {"0 0 rmoveto 10 20 vlineto", "M 0 0 L 0 10 L 20 10"},
      {"0 0 rmoveto 1 2 3 4 5 6 rrcurveto", "M 0 0 C 1 2 4 6 9 12"},
      {"0 0 rmoveto 1 2 3 4 5 6 7 8 rcurveline", "M 0 0 C 1 2 4 6 9 12 L 16 20"},
      {"0 0 rmoveto 1 2 3 4 5 6 7 8 rlinecurve", "M 0 0 L 1 2 C 4 6 9 12 16 20"},
      {"0 0 rmoveto 9 1 2 3 4 vvcurveto", "M 0 0 C 9 1 11 4 11 8"},
      {"0 0 rmoveto 9 1 2 3 4 hhcurveto", "M 0 0 C 1 9 3 12 7 12"},
      {"0 0 rmoveto 1 2 3 4 vhcurveto", "M 0 0 C 0 1 2 4 6 4"},
      {"0 0 rmoveto 1 2 3 4 5 vhcurveto", "M 0 0 C 0 1 2 4 6 9"},
      {"0 0 rmoveto 1 2 3 4 5 6 7 8 9 hvcurveto", "M 0 0 C 1 0 3 3 3 7 C 3 12 9 19 17 28"},
      {"0 0 rmoveto 1 0 2 0 3 0 4 0 5 0 6 0 50 flex", "M 0 0 C 1 0 3 0 6 0 C 10 0 15 0 21 0"},
      {"0 0 rmoveto 1 2 3 4 5 6 7 hflex", "M 0 0 C 1 0 3 3 7 3 C 12 3 18 0 25 0"},
      {"0 0 rmoveto 1 2 3 4 5 6 7 8 9 hflex1", "M 0 0 C 1 2 4 6 9 6 C 15 6 22 14 31 0"},
      // flex1: the last point goes along the axis the curves travel most.
      {"0 0 rmoveto 10 1 10 1 10 1 10 1 10 1 7 flex1", "M 0 0 C 10 1 20 2 30 3 C 40 4 50 5 57 0"},
      {"0 0 rmoveto 1 10 1 10 1 10 1 10 1 10 7 flex1", "M 0 0 C 1 10 2 20 3 30 C 4 40 5 50 0 57"},
      {"0 0 rmoveto 7 2 div 0 rlineto 5 0 div 1 rlineto", "M 0 0 L 3.5 0 L 3.5 1"},
      {"0 0 rmoveto 1.5 -0.25 rlineto", "M 0 0 L 1.5 -0.25"},
      // Incomplete operand groups draw nothing.
      {"0 0 rmoveto 1 2 3 rlineto 1 2 3 4 5 rrcurveto 1 2 3 flex", "M 0 0 L 1 2"},
      // Type 1 operators are no Type 2 operators.
      {"0 500 hsbw 10 10 rmoveto closepath endchar", "M 10 10 Z"},
  };
  for (const Case& c : cases) EXPECT_EQ(Type2(c.program), c.outline) << c.program;
}

TEST(CharstringType2, HintMasksSkipOneBytePerEightStems) {
  // Each mask byte here is an endchar code: a wrong count ends the glyph
  // early or runs the mask as operators.
  struct Case {
    const char* program;
    int hints;
  } cases[] = {
      {"1 2 3 4 hstem 1 2 3 4 5 6 vstem hintmask <0e> 10 20 rmoveto endchar", 5},
      {"1 2 3 4 5 6 7 8 9 10 11 12 hstemhm 1 2 3 4 5 6 7 8 vstemhm hintmask <0e0e> 10 20 rmoveto endchar", 10},
      // Stems right before a mask are vstems; on the first operator an odd count has the width first.
      {"1 2 hstemhm 3 4 hintmask <0e> 10 20 rmoveto endchar", 2},
      {"500 1 2 3 4 hintmask <0e> 10 20 rmoveto endchar", 2},
      {"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 hstem 1 2 cntrmask <0e0e> 10 20 rmoveto endchar", 9},
  };
  for (const Case& c : cases) {
    int hints = -1;
    EXPECT_EQ(Font().Glyph("g", c.program).Run("g", &hints), "M 10 20 Z") << c.program;
    EXPECT_EQ(hints, c.hints) << c.program;
  }
}

TEST(CharstringType2, SubroutinesWithBias) {
  Font inline_font;
  const std::string body = "0 0 rmoveto 10 20 rlineto";
  const std::string expected = inline_font.Glyph("g", body + " 5 5 rlineto endchar").Run("g");

  struct Case {
    size_t local_count, global_count;
    size_t index;
    const char* op;
  } cases[] = {
      {1, 0, 0, "callsubr"},       // bias 107: a one-byte number
      {1300, 0, 1000, "callsubr"},  // bias 1131: the number -131 takes two bytes
      {0, 40000, 39000, "callgsubr"},  // bias 32768
  };
  for (const Case& c : cases) {
    Font f;
    f.subrs.resize(c.local_count, Assemble("return", true));
    f.gsubrs.resize(c.global_count, Assemble("return", true));
    auto& list = std::string(c.op) == "callgsubr" ? f.gsubrs : f.subrs;
    list[c.index] = Assemble(body + " return", true);
    const int bias = list.size() < 1240 ? 107 : list.size() < 33900 ? 1131 : 32768;
    const std::string program =
        std::to_string(static_cast<int>(c.index) - bias) + " " + c.op + " 5 5 rlineto endchar";
    EXPECT_EQ(f.Glyph("g", program).Run("g"), expected) << program;
  }
}

TEST(CharstringType2, BadSubroutineCallsAreSkipped) {
  Font f;
  f.subrs = {Assemble("0 0 rmoveto return", true)};
  f.subrs.push_back(Assemble("-106 callsubr", true));  // calls itself
  EXPECT_EQ(f.Glyph("g", "-107 callsubr 500 callsubr callgsubr 10 10 rlineto endchar").Run("g"),
            "M 0 0 L 10 10 Z");
  EXPECT_EQ(f.Glyph("loop", "-106 callsubr 0 0 rmoveto endchar").Run("loop"), "M 0 0 Z");
  // Calls that fan out exponentially end with the work budget.
  Font fan;
  for (int i = 0; i < 12; ++i) {
    std::string s;
    for (int k = 0; k < 30; ++k) s += std::to_string(i + 1 - 107) + " callsubr ";
    fan.subrs.push_back(Assemble(i == 11 ? "1 1 rlineto return" : s + "return", true));
  }
  const std::string out = fan.Glyph("g", "0 0 rmoveto -107 callsubr endchar").Run("g");
  size_t lines = 0;
  for (size_t p = out.find('L'); p != std::string::npos; p = out.find('L', p + 1)) ++lines;
  EXPECT_GT(lines, 1000u);
  EXPECT_LT(lines, TvnType1Glyphs::kMaxWork);
}

TEST(CharstringType2, StackHoldsAHundredOperands) {
  std::string program = "0 0 rmoveto";
  for (int i = 0; i < 150; ++i) program += " 1";
  const std::string out = Type2(program + " rlineto endchar");
  size_t lines = 0;
  for (size_t p = out.find('L'); p != std::string::npos; p = out.find('L', p + 1)) ++lines;
  EXPECT_EQ(lines, 50u);
}

TEST(CharstringType2, EndcharAccents) {
  Font f;
  f.Glyph("A", "100 0 0 rmoveto 10 hlineto endchar")
      .Glyph("acute", "0 5 rmoveto 1 vlineto endchar")
      .Glyph("Aacute", "300 30 65 194 endchar")
      .Glyph("Aacute5", "600 300 30 65 194 endchar")
      .Glyph("nested", "0 0 65 193 endchar")
      .Glyph("grave", "0 0 65 194 endchar");
  EXPECT_EQ(f.Run("Aacute"), "M 0 0 L 10 0 Z M 300 35 L 300 36 Z");
  EXPECT_EQ(f.Run("Aacute5"), "M 0 0 L 10 0 Z M 300 35 L 300 36 Z");
  // A component that is itself an accented glyph draws nothing more.
  EXPECT_EQ(f.Run("nested"), "M 0 0 L 10 0 Z");
  // An accent code without a glyph leaves the base alone.
  EXPECT_EQ(Font().Glyph("A", "0 0 rmoveto endchar").Glyph("x", "0 0 65 250 endchar").Run("x"), "M 0 0 Z");
}

TEST(CharstringType1, Operators) {
  struct Case {
    const char* program;
    const char* outline;
  } cases[] = {
      {"50 500 hsbw endchar", "M 50 0 Z"},
      // Before hsbw nothing counts and the operands stay: hsbw then takes 10.
      {"10 20 rmoveto 50 500 hsbw 0 0 rmoveto endchar", "M 10 0 M 10 0 Z"},
      // closepath draws back to the sub-path start and leaves the current point.
      {"0 500 hsbw 10 10 rmoveto 20 hlineto 20 vlineto closepath 5 0 rmoveto endchar",
       "M 0 0 M 10 10 L 30 10 L 30 30 L 10 10 M 35 30 Z"},
      {"50 60 500 0 sbw 10 10 rmoveto endchar", "M 60 70 Z"},
      {"0 500 hsbw 0 0 rmoveto 1 2 3 4 vhcurveto 1 2 3 4 hvcurveto endchar", "M 0 0 M 0 0 C 0 1 2 4 6 4 C 7 4 9 7 9 11 Z"},
      {"0 500 hsbw 1000 3 div 0 rmoveto endchar", "M 0 0 M 333.333 0 Z"},
      // An unknown othersubr hands its arguments back to pop in order.
      {"0 500 hsbw 0 0 rmoveto 5 6 2 99 callothersubr pop pop rlineto endchar", "M 0 0 M 0 0 L 5 6 Z"},
      // A flex with too few points ends without curves.
      {"0 500 hsbw 0 0 rmoveto 0 1 callothersubr 1 1 rmoveto 0 2 callothersubr 50 1 1 3 0 callothersubr "
       "1 0 rlineto endchar",
       "M 0 0 M 0 0 L 2 1 Z"},
      // Too few operands for a curve draw nothing; hint operators draw nothing.
      {"0 500 hsbw 0 0 rmoveto 1 1 rrcurveto 2 2 2 vstem3 dotsection 1 1 rlineto endchar", "M 0 0 M 0 0 L 1 1 Z"},
  };
  for (const Case& c : cases) EXPECT_EQ(Type1(c.program), c.outline) << c.program;
}

TEST(CharstringType1, SeacPlacesTheAccentBySideBearings) {
  Font f;
  f.type2 = false;
  f.priv["lenIV"] = "4";
  f.Glyph("A", "20 600 hsbw 0 0 rmoveto 100 hlineto endchar", 4)
      .Glyph("acute", "30 300 hsbw 0 500 rmoveto 10 vlineto endchar", 4)
      .Glyph("Aacute", "20 600 hsbw 30 200 40 65 194 seac", 4)
      .Glyph("Anoaccent", "20 600 hsbw 30 200 40 65 250 seac", 4);
  // The accent's side-bearing point lies (adx, ady) from the base's: x = 20 + 200.
  EXPECT_EQ(f.Run("Aacute"), "M 20 0 M 20 0 M 20 0 L 120 0 Z M 220 40 M 220 540 L 220 550 Z");
  EXPECT_EQ(f.Run("Anoaccent"), "M 20 0 M 20 0 M 20 0 L 120 0 Z");
}

TEST(CharstringType1, LenIVFromThePrivateDictionary) {
  for (const auto& [len_iv, skipped] : {std::pair{"2", 2}, {"-1", 0}, {"x", 4}}) {
    Font f;
    f.type2 = false;
    f.priv["lenIV"] = len_iv;
    f.Glyph("g", "7 500 hsbw endchar", skipped);
    EXPECT_EQ(f.Run("g"), "M 7 0 Z") << len_iv;
  }
  Font f;
  f.type2 = false;
  f.Glyph("g", "7 500 hsbw endchar", 4);  // no lenIV: 4
  EXPECT_EQ(f.Run("g"), "M 7 0 Z");
  EXPECT_EQ(f.Run("missing"), "");
  EXPECT_EQ(f.Run(""), "");
}

TEST(CharstringGraphicsPath, ScalesThroughTheFontMatrix) {
  const std::vector<TvnStepKind> cmds = {TvnStepKind::moveto, TvnStepKind::lineto, TvnStepKind::curveto,
                                         TvnStepKind::closepath};
  const std::vector<float> coords = {100, 200, 300, 200, 300, 400, 500, 400, 500, 0};
  TvnType1Glyphs g;
  auto list = g.GetGraphicsPath("g", 12, coords, cmds);
  ASSERT_EQ(list->Count(), 4);
  const Instructions& move = list->GetItem(0);
  EXPECT_EQ(move.Name, TvnStepKind::moveto);
  EXPECT_FLOAT_EQ(move.pt2.X, 1.2f);
  EXPECT_FLOAT_EQ(move.pt2.Y, -2.4f);
  EXPECT_EQ(move.prev, move.pt2);
  const Instructions& line = list->GetItem(1);
  EXPECT_EQ(line.prev, move.pt2);
  EXPECT_FLOAT_EQ(line.pt2.X, 3.6f);
  const Instructions& curve = list->GetItem(2);
  EXPECT_EQ(curve.pt3[0], line.pt2);
  EXPECT_FLOAT_EQ(curve.pt3[3].X, 6.0f);
  EXPECT_FLOAT_EQ(curve.pt3[3].Y, 0.0f);
  const Instructions& close = list->GetItem(3);
  EXPECT_EQ(close.Name, TvnStepKind::closepath);
  EXPECT_FLOAT_EQ(close.prevx, 6.0f);
  EXPECT_FLOAT_EQ(close.strtx, 1.2f);
  EXPECT_FLOAT_EQ(close.strty, -2.4f);

  // A slanted, doubled matrix with an offset: x' = 0.002 x + 0.001 y + 0.01.
  auto slanted = g.GetGraphicsPath("g", 10, {100, 200}, {TvnStepKind::moveto}, {0.002, 0, 0.001, 0.002, 0.01, 0.02});
  EXPECT_FLOAT_EQ(slanted->GetItem(0).pt2.X, 4.1f);
  EXPECT_FLOAT_EQ(slanted->GetItem(0).pt2.Y, -4.2f);

  // Commands whose coordinates are missing are left out.
  EXPECT_EQ(g.GetGraphicsPath("g", 1, {1, 2, 3}, cmds)->Count(), 2);
}

}  // namespace
}  // namespace vn::fonts::charstring_interpreter_test
