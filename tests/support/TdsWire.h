#pragma once
// Byte forms of the tabular data stream (versions 7.2 to 7.4) as the fake SQL Server of the
// tests writes and reads them: packet headers, the pre-login reply, the login record, the
// tokens of a reply (LOGINACK, ENVCHANGE, INFO/ERROR, COLMETADATA, ROW, DONE) and result sets of
// the T-SQL test engine. Integers are little-endian unless said otherwise.
#include <cstdint>
#include <string>
#include <vector>

#include "Results.h"

namespace vqtest::tds {

using Bytes = std::vector<std::uint8_t>;

// Packet types.
inline constexpr std::uint8_t kSqlBatch = 0x01;
inline constexpr std::uint8_t kRpc = 0x03;
inline constexpr std::uint8_t kReply = 0x04;
inline constexpr std::uint8_t kAttention = 0x06;
inline constexpr std::uint8_t kTransaction = 0x0E;
inline constexpr std::uint8_t kLogin7 = 0x10;
inline constexpr std::uint8_t kPreLogin = 0x12;

// DONE status bits.
inline constexpr std::uint16_t kDoneMore = 0x01;
inline constexpr std::uint16_t kDoneError = 0x02;
inline constexpr std::uint16_t kDoneCount = 0x10;
inline constexpr std::uint16_t kDoneAttention = 0x20;

// ENVCHANGE types of transactions.
inline constexpr std::uint8_t kEnvBeginTran = 8;
inline constexpr std::uint8_t kEnvCommitTran = 9;
inline constexpr std::uint8_t kEnvRollbackTran = 10;

class Writer {
 public:
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v);
  void U16Be(std::uint16_t v);
  void U32(std::uint32_t v);
  void U64(std::uint64_t v);
  void Raw(const void* p, std::size_t n);
  // UTF-16LE of a UTF-8 text, no length.
  void Utf16(const std::string& utf8);
  // B_VARCHAR / US_VARCHAR: length in UTF-16 units (one or two bytes), then the text.
  void BVarChar(const std::string& utf8);
  void UsVarChar(const std::string& utf8);
  [[nodiscard]] const Bytes& Data() const { return out_; }
  Bytes& Data() { return out_; }

 private:
  Bytes out_;
};

// Splits a message into packets of at most `packetSize` bytes, the last one marked as the end.
[[nodiscard]] Bytes Packets(std::uint8_t type, const Bytes& payload, std::size_t packetSize);

// The server's pre-login reply: a version and "encryption not supported".
[[nodiscard]] Bytes PreLoginReply();

struct Login {
  std::uint32_t tdsVersion = 0;  // as the client sent it, e.g. 0x74000004
  std::uint32_t packetSize = 4096;
  std::string host, user, password, app, server, database;
};
// Reads a LOGIN7 record; false when it is malformed.
[[nodiscard]] bool ParseLogin(const Bytes& payload, Login& out);

// Token writers; `tds72` chooses the field sizes of 7.2 and later (always true here).
void EnvChange(Writer& w, std::uint8_t type, const std::string& newValue, const std::string& oldValue);
void EnvChangeBytes(Writer& w, std::uint8_t type, const Bytes& newValue, const Bytes& oldValue);
void LoginAck(Writer& w, std::uint32_t tdsVersion);
void Message(Writer& w, bool error, std::int32_t number, std::uint8_t state, std::uint8_t severity,
             const std::string& text);
void Done(Writer& w, std::uint16_t status, std::uint64_t rows);
// COLMETADATA and ROW tokens of one result set of the engine, text in varchar columns in code
// page 936 as the server's collation says.
void RowSet(Writer& w, const vqodbc::Result& result);

// The collation every text column and the database carry: Chinese (PRC), code page 936.
[[nodiscard]] Bytes Collation();

// The batch text of an SQLBatch payload (ALL_HEADERS skipped); false when malformed.
[[nodiscard]] bool BatchText(const Bytes& payload, std::string& utf8);

}  // namespace vqtest::tds
