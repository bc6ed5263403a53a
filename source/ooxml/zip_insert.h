// Compression of items for writing: the archive's insertion helpers. The
// data are deflated (zip method 8) at the level the archive's deflation
// option names, or stored (method 0) when the archive asks for that or,
// with smBestMethod, when deflating would not make them smaller. The item
// gets its method, flags, CRC-32 and sizes, and only once the data are
// complete, so a failed compression leaves it as it was.
#pragma once

#include "ooxml/zip_archive.h"

namespace vn::ooxml {

// The item's disk file (DiskFileOf): its modification time and MS-DOS
// attributes, and its content; a folder item gets no data.
// EAbFileNotFound when the file is missing; file errors pass on.
void InsertItemFromFile(TAbZipArchive& archive, TAbZipItem& item, TStream& out_stream);
// The whole content of `in_stream`, from its start, dated now.
void InsertItemFromStream(TAbZipArchive& archive, TAbZipItem& item, TStream& out_stream, TStream& in_stream);
// Installs the two as the archive's insertion helpers.
void InstallInsertHelpers(TAbZipArchive& archive);

}  // namespace vn::ooxml
