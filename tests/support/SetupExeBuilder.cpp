#include "support/SetupExeBuilder.h"

#include <openssl/evp.h>
#include <sys/wait.h>
#include <zip.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "platform/TextCodec.h"
#include "support/TempDir.h"

namespace vqtest {
namespace {

std::string Md5Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr);
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < size; ++i) {
    out += hex[digest[i] >> 4];
    out += hex[digest[i] & 15];
  }
  return out;
}

std::time_t LocalTime(const std::string& text) {
  std::tm tm{};
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
                  &tm.tm_sec) != 6)
    return std::time(nullptr);
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// The entry name "top/entry" as the archive holds it: GBK bytes, or UTF-8 for the UTF-8 forms.
// Separators turn into "/" before the conversion: a GBK second byte may be 0x5C.
std::string EntryName(const std::string& top, const PackedFile& file) {
  std::string utf8 = top + "/" + file.entry;
  for (char& c : utf8)
    if (c == '\\') c = '/';
  return file.nameForm == PackedFile::NameForm::Gbk ? platform::Utf8ToCp936(utf8) : utf8;
}

// Changes the byte at `localAt` of the entry `name`'s local header and at `centralAt` of its
// central directory record.
void PatchEntry(std::string& zip, const std::string& name, std::size_t localAt, std::size_t centralAt,
                const std::function<void(char&)>& change) {
  const auto patch = [&](const std::string& signature, std::size_t nameLengthAt, std::size_t nameAt,
                         std::size_t byteAt) {
    for (std::size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 1)) {
      const std::size_t length = static_cast<unsigned char>(zip[at + nameLengthAt]) |
                                 static_cast<std::size_t>(static_cast<unsigned char>(zip[at + nameLengthAt + 1])) << 8;
      if (zip.compare(at + nameAt, length, name) == 0 && length == name.size()) change(zip[at + byteAt]);
    }
  };
  patch(std::string("PK\x03\x04", 4), 26, 30, localAt);
  patch(std::string("PK\x01\x02", 4), 28, 46, centralAt);
}

// Flips the checksum of the entry `name` in both its headers.
void DamageCrc(std::string& zip, const std::string& name) {
  PatchEntry(zip, name, 14, 16, [](char& c) { c = static_cast<char>(c ^ 0x5A); });
}

// Clears the general purpose bit 11 of the entry `name` in both its headers: libzip flags every
// name that reads as UTF-8, GBK bytes such as those of "一" included.
void ClearUtf8Flag(std::string& zip, const std::string& name) {
  PatchEntry(zip, name, 7, 9, [](char& c) { c = static_cast<char>(c & ~0x08); });
}

// A zip of the files with GBK entry names "top/entry".
std::string ZipBytes(const std::vector<std::pair<std::string, const PackedFile*>>& files) {
  // libzip writes nothing for an archive without entries; an empty zip is its end record alone.
  bool any = false;
  for (const auto& entry : files) any = any || entry.second->inArchive;
  if (!any) return std::string("PK\x05\x06", 4) + std::string(18, '\0');
  zip_error_t zerr;
  zip_error_init(&zerr);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &zerr);
  zip_t* za = zip_open_from_source(out, ZIP_TRUNCATE, &zerr);
  if (za == nullptr) throw std::runtime_error(zip_error_strerror(&zerr));
  zip_source_keep(out);
  for (const auto& [top, file] : files) {
    if (!file->inArchive) continue;
    // The GBK bytes go in as they are, and lose the flag libzip gives them when they read as UTF-8
    // (below). A name claimed as UTF-8 gets bit 11; beside a comment that is no UTF-8, libzip
    // leaves the bit off and writes the Unicode path extra field instead.
    const std::string name = EntryName(top, *file);
    const bool utf8 = file->nameForm != PackedFile::NameForm::Gbk;
    zip_source_t* src = zip_source_buffer(za, file->bytes.data(), file->bytes.size(), 0);
    const zip_int64_t index =
        zip_file_add(za, name.c_str(), src, (utf8 ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS) | ZIP_FL_OVERWRITE);
    if (index < 0) throw std::runtime_error(zip_strerror(za));
    if (file->nameForm == PackedFile::NameForm::Utf8UnicodePathField &&
        zip_file_set_comment(za, static_cast<zip_uint64_t>(index), "\xA7", 1, ZIP_FL_ENC_GUESS) != 0)
      throw std::runtime_error(zip_strerror(za));
    zip_set_file_compression(za, static_cast<zip_uint64_t>(index), file->stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    zip_file_set_mtime(za, static_cast<zip_uint64_t>(index), LocalTime(file->lastWriteTime), 0);
  }
  if (zip_close(za) != 0) throw std::runtime_error(zip_strerror(za));
  zip_source_open(out);
  zip_source_seek(out, 0, SEEK_END);
  const zip_int64_t size = zip_source_tell(out);
  zip_source_seek(out, 0, SEEK_SET);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  zip_source_read(out, bytes.data(), static_cast<zip_uint64_t>(size));
  zip_source_close(out);
  zip_source_free(out);
  for (const auto& [top, file] : files) {
    if (!file->inArchive) continue;
    if (file->damagedCrc) DamageCrc(bytes, EntryName(top, *file));
    if (file->nameForm == PackedFile::NameForm::Gbk || file->nameForm == PackedFile::NameForm::Utf8Unflagged)
      ClearUtf8Flag(bytes, EntryName(top, *file));
  }
  return bytes;
}

std::string MapText(const std::vector<std::pair<std::string, const PackedFile*>>& files) {
  std::string text;
  for (const auto& [top, file] : files) {
    if (!file->inMap) continue;
    text += file->sourcePath + "=zipfile:" + SetupExeBuilder::kPackFolder + "\\" + top + "\\" + file->entry +
            ";filemd5:" + Md5Hex(file->bytes) + ";lastwritetime:" + file->lastWriteTime + ";\r\n";
  }
  return platform::Utf8ToCp936(text);
}

}  // namespace

void SetupExeBuilder::AddPayloadFile(PackedFile file, bool underUninstFiles) {
  payload_.push_back({std::move(file), underUninstFiles ? "uninst_files" : "inst_files"});
}

void SetupExeBuilder::AddAppFile(PackedFile file) { appFiles_.push_back({std::move(file), "app_inst_files"}); }

void SetupExeBuilder::AddResource(std::string name, std::string bytes) {
  resources_.emplace_back(std::move(name), std::move(bytes));
}

void SetupExeBuilder::SetLangOverride(const std::string& utf8Lines) {
  AddResource("app_lang_config", platform::Utf8ToCp936(utf8Lines));
}

void SetupExeBuilder::PackUninstaller(const SetupExeBuilder& uninstaller, const std::string& sourcePath,
                                      const std::string& entry) {
  uninstallers_.push_back({&uninstaller, sourcePath, entry});
}

bool SetupExeBuilder::Build(const std::string& hostPath, std::string& error) const {
  TempDir work;
  std::vector<Packed> payload = payload_;
  for (const Nested& nested : uninstallers_) {
    const std::string exe = work.file("nested.exe");
    if (!nested.builder->Build(exe, error)) return false;
    payload.push_back({PackedFile{nested.sourcePath, nested.entry, ReadFileBytes(exe)}, "inst_files"});
  }
  std::vector<std::pair<std::string, const PackedFile*>> payloadFiles, appFiles;
  for (const Packed& p : payload) payloadFiles.emplace_back(p.top, &p.file);
  for (const Packed& p : appFiles_) appFiles.emplace_back(p.top, &p.file);

  std::vector<std::pair<std::string, std::string>> blobs = {
      {"soft_config", platform::Utf8ToCp936(config_)},
      {"soft_pack_files", corruptPayload_ ? std::string("PK\x03\x04 broken archive") : ZipBytes(payloadFiles)},
      {"soft_app_files", ZipBytes(appFiles)},
  };
  if (!omitMaps_) {
    blobs.emplace_back("soft_pack_files_cfg", MapText(payloadFiles));
    blobs.emplace_back("soft_app_files_cfg", MapText(appFiles));
  }
  blobs.insert(blobs.end(), resources_.begin(), resources_.end());

  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  WriteFileBytes(hostPath, "MZ setup stand-in program\n");
  std::vector<std::string> args = {hostPath};
  for (std::size_t i = 0; i < blobs.size(); ++i) {
    const std::string file = work.file("blob" + std::to_string(i));
    WriteFileBytes(file, blobs[i].second);
    args.push_back(blobs[i].first + "=" + file);
  }
  return RunPacker(args, error) == 0;
}

std::string PackageZip(const std::string& top, const std::vector<PackedFile>& files) {
  std::vector<std::pair<std::string, const PackedFile*>> entries;
  for (const PackedFile& file : files) entries.emplace_back(top, &file);
  return ZipBytes(entries);
}

int RunPacker(const std::vector<std::string>& args, std::string& output) {
  std::string command = VQ_PACKER;
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " 2>&1";
  output.clear();
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vqtest
