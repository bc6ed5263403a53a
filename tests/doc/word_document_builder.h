// Builds small Word 97-2003 files for the DOC reader's tests: a FIB, the
// text as pieces (each compressed or 16-bit, at an offset of the caller's
// choice or one after the other), a piece table, and one character and one
// paragraph formatted disk page with runs of the caller's choice, wrapped in
// a compound file by CompoundFileBuilder. Story counts default to the whole
// text in the main story. A section table (positions and each section's
// property sprms) and a header table may be added.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compound_file_builder.h"

namespace vn::doc::testing {

class WordDocumentBuilder {
 public:
  static constexpr uint32_t kTextStart = 0x600;

  struct Piece {
    std::u16string text;
    bool compressed = false;
    std::optional<uint32_t> offset;  // where the text lies; after the previous piece when unset
  };
  // A run of a formatted disk page: its byte range and property bytes (for
  // a paragraph run: the istd, then the sprms).
  struct Run {
    uint32_t fc = 0, fc_end = 0;
    std::string properties;
  };

  WordDocumentBuilder& Text(std::u16string text, bool compressed = false, std::optional<uint32_t> offset = {}) {
    pieces_.push_back({std::move(text), compressed, offset});
    return *this;
  }
  // The counts of the stories after the main one (footnotes, headers,
  // comments, endnotes, text boxes, header text boxes); the main story
  // takes the rest of the text.
  WordDocumentBuilder& Stories(std::vector<uint32_t> counts) {
    story_counts_ = std::move(counts);
    return *this;
  }
  WordDocumentBuilder& CharacterRun(uint32_t fc, uint32_t fc_end, std::string sprms) {
    chpx_.push_back({fc, fc_end, std::move(sprms)});
    return *this;
  }
  WordDocumentBuilder& ParagraphRun(uint32_t fc, uint32_t fc_end, uint16_t istd, std::string sprms) {
    papx_.push_back({fc, fc_end, Le16(istd) + std::move(sprms)});
    return *this;
  }

  // The stylesheet bytes, placed in the table stream after the bin tables.
  WordDocumentBuilder& Stylesheet(std::string bytes) {
    stylesheet_ = std::move(bytes);
    return *this;
  }
  // The list definitions (with their levels) and the list overrides, placed
  // one after the other in the table stream after the stylesheet.
  WordDocumentBuilder& Lists(std::string definitions, std::string overrides) {
    list_definitions_ = std::move(definitions);
    list_overrides_ = std::move(overrides);
    return *this;
  }

  // The section table: n + 1 main-story positions and n sections' sprms
  // (each put into the WordDocument stream after the formatted disk pages);
  // a section without sprms (nullopt) gets the "no properties" offset.
  WordDocumentBuilder& SectionTable(std::vector<uint32_t> positions, std::vector<std::optional<std::string>> sprms) {
    section_positions_ = std::move(positions);
    section_sprms_ = std::move(sprms);
    return *this;
  }
  // The header table's positions in the header story.
  WordDocumentBuilder& HeaderTable(std::vector<uint32_t> positions) {
    header_positions_ = std::move(positions);
    return *this;
  }

  // More table-stream data: the bytes go after everything else, their
  // offset and length into the FIB's fc/lcb pair at `fc_field` (for
  // instance 474 for the shape anchors, 554 for the Office Art data, 602
  // for the text boxes).
  WordDocumentBuilder& TableData(uint32_t fc_field, std::string bytes) {
    table_data_.emplace_back(fc_field, std::move(bytes));
    return *this;
  }
  // Bytes appended to the WordDocument stream, at WordTailOffset().
  WordDocumentBuilder& WordTail(std::string bytes) {
    word_tail_ = std::move(bytes);
    return *this;
  }
  uint32_t WordTailOffset() { return static_cast<uint32_t>(WordDocument().size() - word_tail_.size()); }
  // The Data stream.
  WordDocumentBuilder& Data(std::string bytes) {
    data_ = std::move(bytes);
    return *this;
  }

  // The byte offset of character `cp` of the text (after Build, or once
  // every piece is added).
  uint32_t Fc(uint32_t cp) const {
    uint32_t at = 0;
    const auto placed = Placed();
    for (const auto& p : placed) {
      if (cp < at + p.text.size()) return p.offset.value() + (cp - at) * (p.compressed ? 1 : 2);
      at += static_cast<uint32_t>(p.text.size());
    }
    const auto& last = placed.back();
    return last.offset.value() + static_cast<uint32_t>(last.text.size()) * (last.compressed ? 1 : 2);
  }

  // The WordDocument and 1Table streams.
  std::string WordDocument() {
    const auto pieces = Placed();
    uint32_t text_end = kTextStart;
    for (const auto& p : pieces)
      text_end = std::max<uint32_t>(text_end, p.offset.value() + static_cast<uint32_t>(p.text.size()) * (p.compressed ? 1 : 2));
    const uint32_t chpx_page = (text_end + 511) / 512;
    const uint32_t papx_page = chpx_page + 1;
    std::string word((papx_page + 1) * 512, '\0');
    const auto put16 = [&](size_t at, uint16_t v) { word.replace(at, 2, Le16(v)); };
    const auto put32 = [&](size_t at, uint32_t v) { word.replace(at, 4, Le32(v)); };
    uint32_t total = 0;
    for (const auto& p : pieces) total += static_cast<uint32_t>(p.text.size());
    uint32_t others = 0;
    for (uint32_t c : story_counts_) others += c;
    put16(0, 0xA5EC);
    put16(2, 0x00C1);
    put16(10, 0x0200);  // the table stream is "1Table"
    put32(24, pieces.empty() ? kTextStart : pieces[0].offset.value());
    put32(28, text_end);
    put32(76, total - others);
    const size_t story_fields[] = {80, 84, 92, 96, 100, 104};
    for (size_t i = 0; i < story_counts_.size() && i < 6; ++i) put32(story_fields[i], story_counts_[i]);
    for (const auto& p : pieces) {
      size_t at = p.offset.value();
      for (char16_t c : p.text) {
        if (p.compressed) {
          word[at++] = static_cast<char>(c);
        } else {
          word.replace(at, 2, Le16(c));
          at += 2;
        }
      }
    }
    // The table stream: the Clx, then the two bin tables.
    table_.clear();
    const uint32_t clx_at = 0;
    std::string plc;
    uint32_t cp = 0;
    plc += Le32(0);
    for (const auto& p : pieces) plc += Le32(cp += static_cast<uint32_t>(p.text.size()));
    for (const auto& p : pieces) {
      const uint32_t fc = p.compressed ? (p.offset.value() * 2) | 0x40000000 : p.offset.value();
      plc += Le16(0) + Le32(fc) + Le16(0);
    }
    table_ += "\x02" + Le32(static_cast<uint32_t>(plc.size())) + plc;
    put32(418, clx_at);
    put32(422, static_cast<uint32_t>(table_.size()));
    const auto default_runs = [&](std::vector<Run> runs, std::string properties) {
      if (runs.empty()) runs.push_back({pieces.empty() ? kTextStart : Fc(0), text_end, std::move(properties)});
      return runs;
    };
    const auto chpx = default_runs(chpx_, "");
    const auto papx = default_runs(papx_, Le16(0));
    const auto bin_table = [&](size_t fc_field, uint32_t page, const std::vector<Run>& runs) {
      put32(fc_field, static_cast<uint32_t>(table_.size()));
      table_ += Le32(runs.front().fc) + Le32(runs.back().fc_end) + Le32(page);
      put32(fc_field + 4, 12);
    };
    bin_table(250, chpx_page, chpx);
    bin_table(258, papx_page, papx);
    if (!stylesheet_.empty()) {
      put32(162, static_cast<uint32_t>(table_.size()));
      put32(166, static_cast<uint32_t>(stylesheet_.size()));
      table_ += stylesheet_;
    }
    if (!list_definitions_.empty()) {
      put32(738, static_cast<uint32_t>(table_.size()));
      put32(742, static_cast<uint32_t>(list_definitions_.size()));
      table_ += list_definitions_;
      put32(746, static_cast<uint32_t>(table_.size()));
      put32(750, static_cast<uint32_t>(list_overrides_.size()));
      table_ += list_overrides_;
    }
    word.replace(chpx_page * 512, 512, ChpxPage(chpx));
    word.replace(papx_page * 512, 512, PapxPage(papx));
    if (!section_positions_.empty()) {
      put32(202, static_cast<uint32_t>(table_.size()));
      put32(206, static_cast<uint32_t>(section_positions_.size() * 4 + section_sprms_.size() * 12));
      for (uint32_t position : section_positions_) table_ += Le32(position);
      for (const auto& sprms : section_sprms_) {
        uint32_t fc = 0xFFFFFFFF;
        if (sprms) {
          fc = static_cast<uint32_t>(word.size());
          word += Le16(static_cast<uint16_t>(sprms->size())) + *sprms;
        }
        table_ += Le16(0) + Le32(fc) + Le16(0) + Le32(0xFFFFFFFF);
      }
    }
    if (!header_positions_.empty()) {
      put32(242, static_cast<uint32_t>(table_.size()));
      put32(246, static_cast<uint32_t>(header_positions_.size() * 4));
      for (uint32_t position : header_positions_) table_ += Le32(position);
    }
    for (const auto& [field, bytes] : table_data_) {
      put32(field, static_cast<uint32_t>(table_.size()));
      put32(field + 4, static_cast<uint32_t>(bytes.size()));
      table_ += bytes;
    }
    word += word_tail_;
    return word;
  }
  const std::string& Table() const { return table_; }

  // The whole file.
  std::string Build() {
    const std::string word = WordDocument();
    CompoundFileBuilder file;
    file.Stream(u"WordDocument", word).Stream(u"1Table", table_);
    if (!data_.empty()) file.Stream(u"Data", data_);
    return file.Build();
  }

  // A character FKP: positions, offset bytes, then each run's cb and sprms
  // placed from the page's end downwards.
  static std::string ChpxPage(const std::vector<Run>& runs) {
    std::string page(512, '\0');
    size_t at = 0;
    for (const auto& r : runs) page.replace((at++) * 4, 4, Le32(r.fc));
    page.replace(at * 4, 4, Le32(runs.back().fc_end));
    const size_t rgb = (runs.size() + 1) * 4;
    size_t free_end = 511;
    for (size_t j = 0; j < runs.size(); ++j) {
      if (runs[j].properties.empty()) continue;
      const std::string chpx = std::string(1, static_cast<char>(runs[j].properties.size())) + runs[j].properties;
      free_end = (free_end - chpx.size()) & ~size_t{1};
      page.replace(free_end, chpx.size(), chpx);
      page[rgb + j] = static_cast<char>(free_end / 2);
    }
    page[511] = static_cast<char>(runs.size());
    return page;
  }
  // A paragraph FKP: positions, 13-byte BxPap entries, then each run's
  // PapxInFkp (cb in words, then istd and sprms) from the page's end.
  static std::string PapxPage(const std::vector<Run>& runs) {
    std::string page(512, '\0');
    size_t at = 0;
    for (const auto& r : runs) page.replace((at++) * 4, 4, Le32(r.fc));
    page.replace(at * 4, 4, Le32(runs.back().fc_end));
    const size_t bx = (runs.size() + 1) * 4;
    size_t free_end = 511;
    for (size_t j = 0; j < runs.size(); ++j) {
      std::string body = runs[j].properties;
      if (body.size() % 2 == 0) body.push_back('\0');  // 2 cb - 1 bytes
      const std::string papx = std::string(1, static_cast<char>((body.size() + 1) / 2)) + body;
      free_end = (free_end - papx.size()) & ~size_t{1};
      page.replace(free_end, papx.size(), papx);
      page[bx + j * 13] = static_cast<char>(free_end / 2);
    }
    page[511] = static_cast<char>(runs.size());
    return page;
  }

  static std::string Le16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
  static std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v)) + Le16(static_cast<uint16_t>(v >> 16)); }

 private:
  std::vector<Piece> Placed() const {
    std::vector<Piece> placed = pieces_;
    uint32_t next = kTextStart;
    for (auto& p : placed) {
      if (!p.offset) p.offset = next;
      next = std::max(next, *p.offset + static_cast<uint32_t>(p.text.size()) * (p.compressed ? 1 : 2));
      next = (next + 1) & ~1u;
    }
    return placed;
  }

  std::vector<Piece> pieces_;
  std::vector<uint32_t> story_counts_;
  std::vector<Run> chpx_, papx_;
  std::string table_;
  std::string stylesheet_;
  std::string list_definitions_, list_overrides_;
  std::vector<uint32_t> section_positions_;
  std::vector<std::pair<uint32_t, std::string>> table_data_;
  std::string word_tail_;
  std::string data_;
  std::vector<std::optional<std::string>> section_sprms_;
  std::vector<uint32_t> header_positions_;
};

}  // namespace vn::doc::testing
