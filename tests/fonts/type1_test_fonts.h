// Test fonts built in code: charstrings assembled from their text form
// ("0 500 hsbw 100 0 rmoveto endchar", "<0e>" for raw bytes) and Type 1
// programs put together from clear text, Subrs and CharStrings, encrypted as
// the format asks and written as PFA (binary or hexadecimal eexec) or PFB.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vn::fonts::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Assemble(const std::string& text, bool type2 = false) {
  static const std::map<std::string, std::vector<int>> ops = {
      {"hstem", {1}},       {"vstem", {3}},          {"vmoveto", {4}},      {"rlineto", {5}},
      {"hlineto", {6}},     {"vlineto", {7}},        {"rrcurveto", {8}},    {"closepath", {9}},
      {"callsubr", {10}},   {"return", {11}},        {"hsbw", {13}},        {"endchar", {14}},
      {"hstemhm", {18}},    {"hintmask", {19}},      {"cntrmask", {20}},    {"rmoveto", {21}},
      {"hmoveto", {22}},    {"vstemhm", {23}},       {"rcurveline", {24}},  {"rlinecurve", {25}},
      {"vvcurveto", {26}},  {"hhcurveto", {27}},     {"callgsubr", {29}},   {"vhcurveto", {30}},
      {"hvcurveto", {31}},  {"dotsection", {12, 0}}, {"vstem3", {12, 1}},   {"hstem3", {12, 2}},
      {"seac", {12, 6}},    {"sbw", {12, 7}},        {"div", {12, 12}},     {"callothersubr", {12, 16}},
      {"pop", {12, 17}},    {"setcurrentpoint", {12, 33}}, {"hflex", {12, 34}}, {"flex", {12, 35}},
      {"hflex1", {12, 36}}, {"flex1", {12, 37}},
  };
  Bytes out;
  std::istringstream in(text);
  std::string tok;
  while (in >> tok) {
    if (tok.front() == '<') {
      for (size_t i = 1; i + 1 < tok.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(tok.substr(i, 2), nullptr, 16)));
      continue;
    }
    if (auto op = ops.find(tok); op != ops.end()) {
      for (int b : op->second) out.push_back(static_cast<uint8_t>(b));
      continue;
    }
    if (tok.find('.') != std::string::npos) {
      if (!type2) throw std::invalid_argument("Type 1 charstrings have no reals: " + tok);
      const auto fixed = static_cast<int32_t>(std::stod(tok) * 65536.0);
      out.push_back(255);
      for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(fixed) >> s));
      continue;
    }
    const long v = std::stol(tok);
    if (v >= -107 && v <= 107) {
      out.push_back(static_cast<uint8_t>(v + 139));
    } else if (v >= 108 && v <= 1131) {
      out.push_back(static_cast<uint8_t>((v - 108) / 256 + 247));
      out.push_back(static_cast<uint8_t>((v - 108) % 256));
    } else if (v >= -1131 && v <= -108) {
      out.push_back(static_cast<uint8_t>((-v - 108) / 256 + 251));
      out.push_back(static_cast<uint8_t>((-v - 108) % 256));
    } else if (type2 && v >= -32768 && v <= 32767) {
      out.push_back(28);
      out.push_back(static_cast<uint8_t>(v >> 8));
      out.push_back(static_cast<uint8_t>(v));
    } else {
      const int32_t fixed = type2 ? static_cast<int32_t>(v * 65536) : static_cast<int32_t>(v);
      out.push_back(255);
      for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(fixed) >> s));
    }
  }
  return out;
}

inline Bytes Encrypt(const Bytes& plain, uint16_t key) {
  Bytes out;
  uint32_t r = key;
  for (uint8_t p : plain) {
    const uint8_t c = static_cast<uint8_t>(p ^ (r >> 8));
    out.push_back(c);
    r = ((c + r) * 52845u + 22719u) & 0xFFFFu;
  }
  return out;
}

struct Type1Builder {
  std::string clear =
      "%!PS-AdobeFont-1.0: Test 1.0\n/FontName /Test def\n/FontMatrix [0.001 0 0 0.001 0 0] readonly def\n"
      "/Encoding StandardEncoding def\ncurrentdict end\n";
  std::string private_entries;  // extra Private entries, such as "/lenIV -1 def\n"
  int len_iv = 4;
  std::vector<std::pair<int, Bytes>> subrs;
  std::vector<std::pair<std::string, Bytes>> glyphs;

  Type1Builder& Glyph(const std::string& name, const std::string& program) {
    glyphs.emplace_back(name, Assemble(program));
    return *this;
  }
  Type1Builder& Subr(int index, const std::string& program) {
    subrs.emplace_back(index, Assemble(program));
    return *this;
  }

  Bytes Charstring(const Bytes& plain) const {
    if (len_iv < 0) return plain;
    Bytes with_iv(static_cast<size_t>(len_iv), 0x5A);
    with_iv.insert(with_iv.end(), plain.begin(), plain.end());
    return Encrypt(with_iv, 4330);
  }
  std::string PrivatePart() const {
    std::string p = "dup /Private 8 dict dup begin\n/RD{string currentfile exch readstring pop}executeonly def\n";
    p += private_entries;
    p += "/Subrs " + std::to_string(subrs.size()) + " array\n";
    for (const auto& [i, s] : subrs) {
      const Bytes c = Charstring(s);
      p += "dup " + std::to_string(i) + " " + std::to_string(c.size()) + " RD " + std::string(c.begin(), c.end()) + " NP\n";
    }
    p += "ND\n2 index /CharStrings " + std::to_string(glyphs.size()) + " dict dup begin\n";
    for (const auto& [name, g] : glyphs) {
      const Bytes c = Charstring(g);
      p += "/" + name + " " + std::to_string(c.size()) + " RD " + std::string(c.begin(), c.end()) + " ND\n";
    }
    p += "end\nend\nreadonly put\nnoaccess put\ndup /FontName get exch definefont pop\nmark currentfile closefile\n";
    return p;
  }
  // The eexec section as ciphertext (four random bytes first).
  std::string Ciphertext() const {
    const std::string plain = "\x11\x22\x33\x44" + PrivatePart();
    const Bytes c = Encrypt(Bytes(plain.begin(), plain.end()), 55665);
    return std::string(c.begin(), c.end());
  }
  static std::string Trailer() {
    std::string t;
    for (int i = 0; i < 8; ++i) t += std::string(64, '0') + "\n";
    return t + "cleartomark\n";
  }
  std::string Pfa(bool hex = false) const {
    std::string eexec = Ciphertext();
    if (hex) {
      static const char* digits = "0123456789abcdef";
      std::string h;
      for (size_t i = 0; i < eexec.size(); ++i) {
        const auto b = static_cast<uint8_t>(eexec[i]);
        h += digits[b >> 4];
        h += digits[b & 15];
        if (i % 32 == 31) h += '\n';
      }
      eexec = h + "\n";
    }
    return clear + "currentfile eexec\n" + eexec + Trailer();
  }
  std::string Pfb() const {
    auto segment = [](int type, const std::string& body) {
      std::string s = {'\x80', static_cast<char>(type)};
      for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((body.size() >> (8 * i)) & 0xFF));
      return s + body;
    };
    return segment(1, clear + "currentfile eexec\n") + segment(2, Ciphertext()) + segment(1, Trailer()) + "\x80\x03";
  }
};

}  // namespace vn::fonts::testing
