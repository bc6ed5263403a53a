// TvnFont: the plain description of a font that fonts made for writing and
// the annotations and form fields are given: name, size, style, colour,
// encoding and the font program (a file name or a stream the description
// owns). It is separate from the framework's font of the same name.
#pragma once

#include <memory>
#include <string>

#include "framework/value_types.h"
#include "pdf/object.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

enum class TvnFontEncoding {
  feWinAnsiEncoding,
  feMacRomanEncoding,
  feMacExpertEncoding,
  feStandardEncoding,
  fePDFDocEncoding
};

class TvnFont : public vn::pdf::TvnObject {
 public:
  TvnFont() = default;
  TvnFont(const std::string& AName, int ASize, vn::framework::TvnFontStyles AStyle, const std::string& AColor)
      : FName(AName), FSize(ASize), FStyle(AStyle), FColor(AColor) {}

  // File name, size and colour.
  void SetFont(const std::string& AFontFileName, int ASize, const std::string& AColor) {
    FFileName = AFontFileName;
    FSize = ASize;
    FColor = AColor;
  }
  // Takes over the stream itself, with size and colour.
  void SetFont(std::unique_ptr<vn::TStream> AFontStream, int ASize, const std::string& AColor) {
    FStream = std::move(AFontStream);
    FSize = ASize;
    FColor = AColor;
  }

  const std::string& name() const { return FName; }
  void SetName(const std::string& AValue) { FName = AValue; }
  int Size() const { return FSize; }
  void SetSize(int AValue) { FSize = AValue; }
  vn::framework::TvnFontStyles Style() const { return FStyle; }
  void SetStyle(vn::framework::TvnFontStyles AValue) { FStyle = AValue; }
  const std::string& Color() const { return FColor; }
  void SetColor(const std::string& AValue) { FColor = AValue; }
  vn::TStream* Stream() const { return FStream.get(); }
  // Copies all of AValue into the description's own memory stream, at
  // position 0.
  void SetStream(vn::TStream& AValue) {
    auto copy = std::make_unique<vn::TMemoryStream>();
    AValue.Seek(0, vn::SeekOrigin::soBeginning);
    copy->LoadFromStream(AValue);
    copy->Seek(0, vn::SeekOrigin::soBeginning);
    FStream = std::move(copy);
  }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& AValue) { FFileName = AValue; }
  TvnFontEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TvnFontEncoding AValue) { FEncoding = AValue; }

 private:
  std::string FName = "Arial";
  int FSize = 8;
  vn::framework::TvnFontStyles FStyle;
  std::string FColor = "clBlack";
  std::unique_ptr<vn::TStream> FStream;
  std::string FFileName;
  TvnFontEncoding FEncoding = TvnFontEncoding::feWinAnsiEncoding;
};

}  // namespace vn::pdfdoc
