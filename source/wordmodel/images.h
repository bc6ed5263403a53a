// Pictures: the image item (TvnDocImage), whose data lies in a file, a
// stream or the document's resource collection, and the picture a Word
// paragraph holds (TvnWordImage), which also carries its placement.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/canvas.h"
#include "runtime/streams.h"
#include "wordmodel/drawing_placement.h"
#include "wordmodel/resources.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

using vn::framework::TSize;

class TvnDocImage : public TvnDocItem {
 public:
  // The data lies in the collection (borrowed: it outlives the image).
  explicit TvnDocImage(TvnResourceCollection* AResourceCollection);
  // The data is the stream's.
  explicit TvnDocImage(std::shared_ptr<vn::TStream> AStream);
  // The data lies in a file.
  explicit TvnDocImage(const String& AFileName);
  ~TvnDocImage() override;

  // An image over the same data (the same collection or file, a copy of the
  // stream's bytes), assigned from this one.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // The element's data, then rotation angle, output image format, resource
  // identifier and name (through their setters), keep-aspect-ratio, size,
  // z-order and image format.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  // The picture data: the image's own stream, or, for a resource image, the
  // stream of the image resource found by name (else by identifier) when it
  // lies in a stream, whose image format the image then takes; null
  // otherwise. The stream stays the image's or the collection's.
  vn::TStream* GetImageStream();
  // The file of a file image, or of the image resource found as above when
  // it lies in a file (the image taking its format); empty otherwise.
  String GetFileName();

  TSize GetSize() const { return FSize; }
  void SetSize(TSize Value) { FSize = Value; }
  bool GetKeepAspectRatio() const { return FKeepAspectRation; }
  void SetKeepAspectRatio(bool Value) { FKeepAspectRation = Value; }
  int32_t GetRotationAngle() const { return FRotationAngle; }
  void SetRotationAngle(int32_t Value) { FRotationAngle = Value; }
  TvnImageFormat GetOutputImageFormat() const { return FOutputImageFormat; }
  void SetOutputImageFormat(TvnImageFormat Value) { FOutputImageFormat = Value; }
  // -1 for none.
  int32_t GetResourceId() const { return FResourceID; }
  // Stored only when the image's collection holds a resource of that
  // identifier.
  void SetResourceId(int32_t Value);
  const String& GetResourceName() const { return FResourceName; }
  // Stored only when the image's collection holds a resource of that name.
  void SetResourceName(const String& Value);
  TvnImageFormat GetImageFormat() const { return FImageFormat; }
  void SetImageFormat(TvnImageFormat Value) { FImageFormat = Value; }
  int32_t GetZOrder() const { return FzOrder; }
  void SetZOrder(int32_t Value) { FzOrder = Value; }
  TvnResourceCollection* GetResourceCollection() const { return FResourceCollection; }
  bool GetIsFromFile() const { return FIsFromFile; }
  bool GetIsFromResource() const { return FIsFromResource; }
  bool GetIsFromStream() const { return FIsFromStream; }

 protected:
  // The image resource found by name, else by identifier; null when none.
  TvnImageResource* FindImageResource() const;
  const String& OwnFileName() const { return FFileName; }
  const std::shared_ptr<vn::TStream>& OwnStream() const { return FStream; }

 private:
  int32_t FRotationAngle = 0;
  TvnImageFormat FOutputImageFormat = TvnImageFormat::ifBMP;
  int32_t FResourceID = kNoReference;
  bool FKeepAspectRation = false;
  String FResourceName;
  TSize FSize;
  int32_t FzOrder = 0;
  TvnImageFormat FImageFormat = TvnImageFormat::ifBMP;
  TvnResourceCollection* FResourceCollection = nullptr;
  String FFileName;
  bool FIsFromFile = false;
  bool FIsFromResource = false;
  bool FIsFromStream = false;
  std::shared_ptr<vn::TStream> FStream;
};

// Made like an image item, from a collection, a stream or a file.
class TvnWordImage : public TvnDocImage, public DrawingPlacement {
 public:
  using TvnDocImage::TvnDocImage;
  ~TvnWordImage() override;

  // A picture that draws the same: a resource image refers to the same
  // resource of the same collection, a stream image gets a copy of the
  // bytes, a file image the same file; then the image data and every
  // placement property (wrap, behind-text and inline flags and region
  // included).
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Draws the picture stretched into the item's box; nothing without data
  // or with data that no picture reader takes.
  void Draw(TvnBaseCanvas* ACanvas) override;

 protected:
  TvnDocItem& PlacedItem() override { return *this; }
};

}  // namespace vn::wordmodel
