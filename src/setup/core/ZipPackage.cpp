#include "setup/core/ZipPackage.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/FileOps.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "setup/core/TagValue.h"
#include "setup/core/WinErrorText.h"

namespace orvane {

// The archive's bytes stay alive as long as libzip reads from them.
struct TZipPackage::Archive {
  std::string bytes;
  zip_t* zip = nullptr;
  // Every entry's name as UTF-8, by index, read once with the directory.
  std::vector<std::string> names;
  ~Archive() {
    if (zip != nullptr) zip_discard(zip);
  }
};

namespace {

std::string ZipErrorText(zip_error_t* error) { return zip_error_strerror(error); }

// "top" + the text after the first "top" in `zipfile` (nothing after it when it is missing).
std::string EntryUnder(const std::string& zipfile, const std::string& top) {
  const std::size_t at = zipfile.find(top);
  return top + (at == std::string::npos ? std::string() : zipfile.substr(at + top.size()));
}

// The entry's name as UTF-8. A name the archive marks as UTF-8 (general purpose bit 11, or a
// Unicode path extra field 0x7075 that libzip puts in the name's place) is UTF-8 already, and
// libzip's strict reading hands such a name back unchanged while it converts every other
// non-ASCII name from CP437; any other name is GBK.
std::string EntryName(zip_t* zip, zip_uint64_t index) {
  const char* raw = zip_get_name(zip, index, ZIP_FL_ENC_RAW);
  if (raw == nullptr) return {};
  const char* strict = zip_get_name(zip, index, ZIP_FL_ENC_STRICT);
  if (strict != nullptr && std::strcmp(raw, strict) == 0) return raw;
  return platform::Cp936ToUtf8(raw);
}

// The index of the entry named `name` (UTF-8) among `names`: its exact spelling first, else one
// that differs only in the case of ASCII letters.
zip_int64_t LocateEntry(const std::vector<std::string>& names, const std::string& name) {
  const auto exact = std::find(names.begin(), names.end(), name);
  if (exact != names.end()) return exact - names.begin();
  const auto folded = std::find_if(names.begin(), names.end(),
                                   [&](const std::string& entry) { return platform::SameText(entry, name); });
  return folded == names.end() ? -1 : folded - names.begin();
}

}  // namespace

TZipPackage::TZipPackage(Kind kind) : kind_(kind) {}

TZipPackage::~TZipPackage() = default;

bool TZipPackage::OpenArchive(const std::string& file, std::string& error) {
  auto archive = std::make_unique<Archive>();
  const long rc = platform::ReadFileBytes(file, archive->bytes);
  if (rc != 0) {
    error = WinErrorText(rc);
    return false;
  }
  zip_error_t zerr;
  zip_error_init(&zerr);
  zip_source_t* source = zip_source_buffer_create(archive->bytes.data(), archive->bytes.size(), 0, &zerr);
  if (source != nullptr) {
    archive->zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zerr);
    if (archive->zip == nullptr) zip_source_free(source);
  }
  if (archive->zip == nullptr) {
    error = ZipErrorText(&zerr);
    zip_error_fini(&zerr);
    return false;
  }
  zip_error_fini(&zerr);
  const zip_int64_t count = zip_get_num_entries(archive->zip, 0);
  for (zip_int64_t i = 0; i < count; ++i)
    archive->names.push_back(EntryName(archive->zip, static_cast<zip_uint64_t>(i)));
  archive_ = std::move(archive);
  return true;
}

void TZipPackage::LoadMap(const std::string& mapFile) {
  std::string bytes;
  map_.clear();
  if (platform::ReadFileBytes(mapFile, bytes) == 0) map_ = platform::SplitTextLines(platform::Cp936ToUtf8(bytes));
}

void TZipPackage::Close() {
  archive_.reset();
  map_.clear();
}

std::string TZipPackage::MapRecord(const std::string& sourcePath) const {
  return FindLineValue(map_, sourcePath).value_or(std::string());
}

std::string TZipPackage::EntryOf(const std::string& record) const {
  const std::string zipfile = GetTagValue(record, "zipfile:", ';');
  if (kind_ == Kind::Payload)
    return zipfile.find("\\inst_files\\") != std::string::npos ? EntryUnder(zipfile, "inst_files")
                                                               : EntryUnder(zipfile, "uninst_files");
  return zipfile.find("\\app_inst_files\\") != std::string::npos ? EntryUnder(zipfile, "app_inst_files")
                                                                 : EntryUnder(zipfile, "app_uninst_files");
}

int TZipPackage::Extract(const std::string& entry, std::string& bytes) const {
  if (!archive_) return 0;
  std::string name = entry;
  std::replace(name.begin(), name.end(), '\\', '/');
  const zip_int64_t index = LocateEntry(archive_->names, name);
  if (index < 0) return 0;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_->zip, static_cast<zip_uint64_t>(index), 0, &st) != 0 || (st.valid & ZIP_STAT_SIZE) == 0)
    throw EZipError(zip_strerror(archive_->zip));
  zip_file_t* file = zip_fopen_index(archive_->zip, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) throw EZipError(zip_strerror(archive_->zip));
  // Read to the end and grow with what arrives, never by the declared size: libzip compares
  // the CRC only when a read reaches the end, and the size not at all.
  std::string out;
  char chunk[64 * 1024];
  int failure = ZIP_ER_OK;
  std::string reason;
  for (;;) {
    const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
    if (n < 0) {
      reason = zip_error_strerror(zip_file_get_error(file));
      break;
    }
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
    if (out.size() > st.size) break;
  }
  if (reason.empty() && out.size() != st.size) failure = ZIP_ER_INCONS;
  const int closed = zip_fclose(file);
  if (reason.empty() && failure == ZIP_ER_OK) failure = closed;
  if (reason.empty() && failure != ZIP_ER_OK) {
    zip_error_t zerr;
    zip_error_init_with_code(&zerr, failure);
    reason = ZipErrorText(&zerr);
    zip_error_fini(&zerr);
  }
  if (!reason.empty()) throw EZipError(reason);
  bytes = std::move(out);
  return 1;
}

}  // namespace orvane
