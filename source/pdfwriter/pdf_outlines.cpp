// The outline (bookmark) tree written from the engine's table of contents,
// and the page thumbnails.
//
// Outline: every entry is an outline item holding its title (a text string)
// and either a URI action (an entry with an address) or an /XYZ destination
// on its page (an entry whose page was written; an entry whose page was
// left out of the document gets neither). Top-level entries are open, the
// deeper ones closed, so the visible items are the top level and its
// children: an open entry's /Count is its number of children, a closed
// one's is minus its number of children, and the root's counts the top
// level and its children. Numbers are given along each sibling chain in
// list order, and each item is written after its later siblings and its
// children; the tree is walked with a stack of its own, so no depth or
// length of the list runs out of call stack.
//
// Thumbnails: a page's thumbnail object is made when the page ends (with
// the page's image objects, while its image resource surely exists), or the
// object of an earlier page's equal thumbnail of the same resource is used.
#include <algorithm>

#include "pdfwriter/pdf_doc_features_impl.h"
#include "pdfwriter/pdf_engine.h"
#include "pdfwriter/pdf_images.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "platform/images/image_codecs.h"

namespace vn::pdfwriter {

// ---- outline entries

int32_t TvnCustomPDFEngine::AddTOCItem(const String& title, int32_t parent_node, int32_t page_number, double top) {
  // The target height is taken in the measurement unit, like every drawing
  // position, and kept in engine pixels.
  return TvnCustomPlainSheetEngine::AddTOCItem(title, parent_node, page_number, ConvertY(top));
}

int32_t TvnCustomPDFEngine::AddTOCItem(const String& title, int32_t parent_node, const std::string& url) {
  return TvnCustomPlainSheetEngine::AddTOCItem(title, parent_node, url);
}

namespace {

// The children of each entry and the top level, in list order.
struct OutlineTree {
  std::vector<int32_t> Top;
  std::vector<std::vector<int32_t>> Children;
};

OutlineTree OutlineTreeOf(const std::vector<vn::exporter::TvnTOCItem>& items) {
  OutlineTree tree;
  tree.Children.resize(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    const int32_t parent = items[i].ParentNode;
    if (parent >= 0 && static_cast<size_t>(parent) < i)
      tree.Children[static_cast<size_t>(parent)].push_back(static_cast<int32_t>(i));
    else
      tree.Top.push_back(static_cast<int32_t>(i));
  }
  return tree;
}

}  // namespace

void TvnCustomPDFEngine::WriteOutlinesAndThumbnails() {
  // The thumbnails were written with their pages.
  const std::vector<vn::exporter::TvnTOCItem>& items = TOCItems();
  const int32_t root = FFeatures->Outlines;
  if (items.empty() || root <= 0) return;
  const OutlineTree tree = OutlineTreeOf(items);
  if (tree.Top.empty()) return;

  std::vector<int32_t> numbers(items.size(), 0);
  std::vector<int32_t> parents(items.size(), root);
  std::vector<int32_t> depth(items.size(), 0);
  // A sibling chain: every item gets its number when the chain is reached;
  // then, from its last item back to its first, the item's children and the
  // item itself are written.
  struct Chain {
    const std::vector<int32_t>* Items;
    size_t Next;  // items still to write: [0, Next)
    bool ChildrenDone;
  };
  auto number_chain = [&](const std::vector<int32_t>& chain, int32_t parent, int32_t level) {
    for (int32_t i : chain) {
      numbers[static_cast<size_t>(i)] = NewObjectNumber();
      parents[static_cast<size_t>(i)] = parent;
      depth[static_cast<size_t>(i)] = level;
    }
  };
  auto write_item = [&](const std::vector<int32_t>& chain, size_t position) {
    const auto i = static_cast<size_t>(chain[position]);
    const vn::exporter::TvnTOCItem& item = items[i];
    const int32_t n = numbers[i];
    std::string text = "/Title <" + EncodeTextString(item.Title, n, 0) + ">";
    const std::string url = vn::ToUtf8(vn::Trim(vn::FromUtf8(item.URL)));
    if (!item.URL.empty()) {
      text += "/A <</S /URI /URI<" + vn::framework::AnsiToHexText(EncryptObjectStrings(url, n, 0)) + "> >>";
    } else if (item.PageNumber >= 1 && static_cast<size_t>(item.PageNumber) <= FPageList.size() &&
               FPageList[static_cast<size_t>(item.PageNumber - 1)]) {
      // The target point in the page's own space (the content stream's
      // resolution scaling is not part of it).
      const TvnPageInfo& page = *FPageList[static_cast<size_t>(item.PageNumber - 1)];
      const double m = FPixelToPointMultiplier;
      text += "/Dest [" + ObjectRef(page.ObjNo) + " /XYZ " + FormatNumber(item.X * m) + " " +
              FormatNumber(page.Height - item.Y * m) + " null]";
    }
    text += "/Parent " + ObjectRef(parents[i]);
    if (position > 0) text += "/Prev " + ObjectRef(numbers[static_cast<size_t>(chain[position - 1])]);
    if (position + 1 < chain.size()) text += "/Next " + ObjectRef(numbers[static_cast<size_t>(chain[position + 1])]);
    const std::vector<int32_t>& children = tree.Children[i];
    if (!children.empty()) {
      text += "/First " + ObjectRef(numbers[static_cast<size_t>(children.front())]) + "/Last " +
              ObjectRef(numbers[static_cast<size_t>(children.back())]);
      const std::string count = std::to_string(children.size());
      text += depth[i] == 0 ? "/Count " + count : "/Count -" + count;
    }
    WriteObject(text + kCRLF, n, true);
  };

  number_chain(tree.Top, root, 0);
  std::vector<Chain> stack{{&tree.Top, tree.Top.size(), false}};
  while (!stack.empty()) {
    Chain& chain = stack.back();
    if (chain.Next == 0) {
      stack.pop_back();
      continue;
    }
    const std::vector<int32_t>& list = *chain.Items;
    const auto item = static_cast<size_t>(list[chain.Next - 1]);
    if (!chain.ChildrenDone) {
      chain.ChildrenDone = true;
      const std::vector<int32_t>& children = tree.Children[item];
      if (!children.empty()) {
        number_chain(children, numbers[item], depth[item] + 1);
        stack.push_back({&children, children.size(), false});  // `chain` is not used past here
      }
      continue;
    }
    write_item(list, chain.Next - 1);
    --chain.Next;
    chain.ChildrenDone = false;
  }

  // The visible items: the top level (always) and the children of the open
  // top-level items.
  size_t visible = tree.Top.size();
  for (int32_t i : tree.Top) visible += tree.Children[static_cast<size_t>(i)].size();
  WriteObject("/First " + ObjectRef(numbers[static_cast<size_t>(tree.Top.front())]) + "/Last " +
                  ObjectRef(numbers[static_cast<size_t>(tree.Top.back())]) + "/Count " + std::to_string(visible) + kCRLF,
              root, true);
}

// ---- thumbnails

void TvnCustomPDFEngine::AddThumbnailImage(const TGraphic& graphic, int32_t page_number) {
  if (!IsDocumentStarted()) return;
  const int32_t index = AddImageResource(graphic, Preferences().UseImagesAsResources());
  if (index >= 0) AddThumbnailImage(index, page_number);
}

void TvnCustomPDFEngine::AddThumbnailImage(int32_t image_index, int32_t page_number) {
  if (!IsDocumentStarted() || page_number < 1) return;
  const vn::exporter::TvnImageResource resource = GetImageResource(image_index);
  if (!resource.Graphic && !resource.Stream) return;
  const TvnOutputImageFormat format = ImageSettings().OutputImageFormat();
  // Only the formats a thumbnail can be written in (an image object of
  // deflated RGB rows or JPEG data).
  if (format != TvnOutputImageFormat::ifBMP && format != TvnOutputImageFormat::ifJPEG) return;
  TvnPDFThumbnailItem request;
  request.OutputImageFormat = format;
  request.ImagePixelFormat = ImageSettings().ImagePixelFormat;
  request.JPEGQuality = ImageSettings().JPEGQuality;
  request.IndexNo = image_index;
  auto& thumbnails = FFeatures->Thumbnails;
  if (Preferences().ProcessAfterEachPage())
    thumbnails.emplace(page_number, request);  // the first request wins
  else
    thumbnails.insert_or_assign(page_number, request);  // the last request wins
}

namespace {

vn::platform::PixelFormat ThumbnailPixelFormat(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit: return vn::platform::PixelFormat::pf1bit;
    case TPixelFormat::pf8bit: return vn::platform::PixelFormat::pf8bit;
    default: return vn::platform::PixelFormat::pf24bit;
  }
}

}  // namespace

std::string TvnCustomPDFEngine::ThumbnailEntry() {
  const auto found = FFeatures->Thumbnails.find(CurrentPage());
  if (found == FFeatures->Thumbnails.end()) return {};
  TvnPDFThumbnailItem& request = found->second;
  if (request.ObjNo > 0) return "/Thumb " + ObjectRef(request.ObjNo);
  // An earlier page's equal thumbnail of the same resource (the last one).
  auto& reuse = FFeatures->ThumbnailReuse[request.IndexNo];
  for (const TvnPDFThumbnailItem& written : reuse)
    if (written.IsEqual(request)) request.ObjNo = written.ObjNo;
  if (request.ObjNo > 0) return "/Thumb " + ObjectRef(request.ObjNo);

  // A new image object, written with the page's image objects.
  const vn::exporter::TvnImageResource resource = GetImageResource(request.IndexNo);
  vn::platform::Bitmap picture;
  if (resource.Graphic) {
    picture = GraphicToBitmap(*resource.Graphic);
  } else if (resource.Stream) {
    const int64_t position = resource.Stream->Position();
    resource.Stream->SetPosition(0);
    const std::string bytes = resource.Stream->ReadAll();
    resource.Stream->SetPosition(position);
    picture = vn::platform::DecodeImage(vn::platform::AsBytes(bytes));
  } else {
    return {};
  }
  const vn::platform::Bitmap bitmap = picture.ConvertTo(ThumbnailPixelFormat(request.ImagePixelFormat));
  std::string data, entries;
  if (request.OutputImageFormat == TvnOutputImageFormat::ifJPEG) {
    data = vn::platform::EncodeJpeg(bitmap, request.JPEGQuality);
    entries = "/ColorSpace /" + GetJPEGColorSpace(data).ColorSpace + " /BitsPerComponent 8 /Length " +
              std::to_string(data.size()) + "/Filter/DCTDecode";
  } else {
    CompressStream(bitmap.ToRGB24OnWhite(), data, Compression().Level, Compression().Enabled);
    entries = "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " + std::to_string(data.size());
    if (Compression().Enabled) entries += "/Filter/FlateDecode";
  }
  request.ObjNo = NewObjectNumber();
  reuse.push_back(request);
  EncryptObjectStream(data, request.ObjNo, 0);
  FImageXRefList.emplace_back(static_cast<int64_t>(FImageStream.size()), request.ObjNo);
  FImageStream += ObjectHeader(request.ObjNo) + kCRLF + "<<" + kCRLF + "/Width " + std::to_string(bitmap.Width()) +
                  "/Height " + std::to_string(bitmap.Height()) + entries + kCRLF + ">>" + kCRLF + "stream" + kCRLF;
  FImageStream += data;
  FImageStream += std::string(kCRLF) + "endstream" + kCRLF + "endobj" + kCRLF;
  return "/Thumb " + ObjectRef(request.ObjNo);
}

}  // namespace vn::pdfwriter
