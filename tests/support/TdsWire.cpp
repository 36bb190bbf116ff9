#include "support/TdsWire.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "OdbcApi.h"
#include "TsqlRewrite.h"
#include "platform/TextCodec.h"

namespace vqtest::tds {
namespace {

constexpr std::uint8_t kTokColMetadata = 0x81;
constexpr std::uint8_t kTokError = 0xAA;
constexpr std::uint8_t kTokInfo = 0xAB;
constexpr std::uint8_t kTokLoginAck = 0xAD;
constexpr std::uint8_t kTokRow = 0xD1;
constexpr std::uint8_t kTokEnvChange = 0xE3;
constexpr std::uint8_t kTokDone = 0xFD;

constexpr std::uint8_t kIntN = 0x26;
constexpr std::uint8_t kBitN = 0x68;
constexpr std::uint8_t kFltN = 0x6D;
constexpr std::uint8_t kDecimalN = 0x6A;
constexpr std::uint8_t kDateTimeN = 0x6F;
constexpr std::uint8_t kBigVarBinary = 0xA5;
constexpr std::uint8_t kBigVarChar = 0xA7;
constexpr std::uint8_t kNVarChar = 0xE7;
constexpr std::uint8_t kText = 0x23;  // text and ntext: the old large types, sent with a text pointer
constexpr std::uint8_t kNText = 0x63;
constexpr std::uint16_t kMaxLen = 0xFFFF;  // (max) types, values in partly-length-prefixed form
constexpr std::size_t kShortLimit = 8000;  // bytes a non-(max) column holds

std::u16string Wide(const std::string& utf8) { return platform::Utf8ToUtf16(utf8); }

std::uint16_t Rd16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }
std::uint32_t Rd32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool Utf16At(const Bytes& b, std::size_t offset, std::size_t chars, std::string& out) {
  if (offset + chars * 2 > b.size()) return false;
  std::u16string w;
  for (std::size_t i = 0; i < chars; ++i) w.push_back(Rd16(b, offset + 2 * i));
  out = platform::Utf16ToUtf8(w);
  return true;
}

// How one column travels.
struct Wire {
  std::uint8_t type = kNVarChar;
  std::uint8_t len = 0;  // fixed-length types: value bytes
  std::uint16_t maxLen = 0;
  std::uint8_t precision = 0, scale = 0;
  bool narrow = false;  // varchar: code page 936 bytes
  [[nodiscard]] bool Plp() const { return maxLen == kMaxLen; }
  [[nodiscard]] bool Lob() const { return type == kText || type == kNText; }
};

std::string CellText(const vqodbc::Value& v) {
  switch (v.type) {
    case vqodbc::Value::Type::Int:
      return std::to_string(v.i);
    case vqodbc::Value::Type::Real: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", v.d);
      return buf;
    }
    default:
      return v.s;
  }
}

std::string TextBytes(const vqodbc::Value& v, bool narrow) {
  const std::string text = CellText(v);
  if (narrow) return platform::Utf8ToCp936(vqodbc::CodePageText(text));
  const std::u16string w = Wide(text);
  std::string out;
  for (char16_t c : w) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::uint8_t DecimalBytes(int precision) {
  return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

Wire Choose(const vqodbc::Column& c, const std::vector<std::vector<vqodbc::Value>>& rows, std::size_t col) {
  Wire w;
  const vqodbc::TypeInfo& t = c.type;
  bool allInt = true;
  bool allNum = true;
  std::size_t longest = 0;
  const bool narrowType = t.sqlType == SQL_CHAR || t.sqlType == SQL_VARCHAR || t.sqlType == SQL_LONGVARCHAR;
  for (const auto& row : rows) {
    const vqodbc::Value& v = row[col];
    if (v.type == vqodbc::Value::Type::Null) continue;
    allInt = allInt && v.type == vqodbc::Value::Type::Int;
    allNum = allNum && (v.type == vqodbc::Value::Type::Int || v.type == vqodbc::Value::Type::Real);
    longest = std::max(longest, TextBytes(v, narrowType).size());
  }
  switch (t.sqlType) {
    case SQL_BIT:
      w.type = kBitN;
      w.len = 1;
      return w;
    case SQL_TINYINT:
      w.type = kIntN;
      w.len = 1;
      return w;
    case SQL_SMALLINT:
      w.type = kIntN;
      w.len = 2;
      return w;
    case SQL_INTEGER:
      w.type = kIntN;
      w.len = 4;
      return w;
    case SQL_BIGINT:
      w.type = kIntN;
      w.len = 8;
      return w;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      w.type = kFltN;
      w.len = 8;
      return w;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      w.type = kDecimalN;
      w.precision = static_cast<std::uint8_t>(std::min<long>(t.columnSize, 38));
      w.scale = static_cast<std::uint8_t>(t.digits);
      w.len = DecimalBytes(w.precision);
      return w;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
      w.type = kDateTimeN;
      w.len = 8;
      return w;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      w.narrow = t.sqlType == SQL_LONGVARCHAR;
      w.type = w.narrow ? kText : kNText;
      return w;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      w.type = kBigVarBinary;
      w.maxLen = t.columnSize > static_cast<long>(kShortLimit) || longest > kShortLimit
                     ? kMaxLen
                     : static_cast<std::uint16_t>(std::max<long>(t.columnSize, 1));
      return w;
    case 0:
      if (!rows.empty() && allInt) {
        w.type = kIntN;
        w.len = 8;
        return w;
      }
      if (!rows.empty() && allNum) {
        w.type = kFltN;
        w.len = 8;
        return w;
      }
      break;
    default:
      break;
  }
  w.narrow = narrowType;
  const std::size_t declared = t.sqlType == 0 ? 4000 : static_cast<std::size_t>(t.columnSize) * (w.narrow ? 1 : 2);
  w.type = w.narrow ? kBigVarChar : kNVarChar;
  w.maxLen = declared > kShortLimit || longest > declared
                 ? kMaxLen
                 : static_cast<std::uint16_t>(std::max<std::size_t>(declared, 2));
  return w;
}

long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Scaled integer of a decimal value; false when the text is no number.
bool Scaled(const vqodbc::Value& v, int scale, bool& negative, unsigned __int128& out) {
  std::string text;
  if (v.type == vqodbc::Value::Type::Real) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", scale, v.d);
    text = buf;
  } else {
    text = CellText(v);
  }
  std::size_t i = 0;
  negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  out = 0;
  int decimals = -1;
  bool any = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && decimals < 0) {
      decimals = 0;
      continue;
    }
    if (c < '0' || c > '9') return false;
    any = true;
    if (decimals >= 0) {
      if (decimals == scale) continue;
      ++decimals;
    }
    out = out * 10 + static_cast<unsigned>(c - '0');
  }
  for (int k = decimals < 0 ? 0 : decimals; k < scale; ++k) out *= 10;
  return any;
}

void Plp(Writer& w, const std::string& bytes) {
  w.U64(bytes.size());
  if (!bytes.empty()) {
    w.U32(static_cast<std::uint32_t>(bytes.size()));
    w.Raw(bytes.data(), bytes.size());
  }
  w.U32(0);
}

void Cell(Writer& w, const Wire& col, const vqodbc::Value& v) {
  const bool null = v.type == vqodbc::Value::Type::Null;
  if (col.Lob()) {
    // A null has no text pointer; a value has a 16-byte pointer and an 8-byte time stamp first.
    if (null) {
      w.U8(0);
      return;
    }
    w.U8(16);
    const Bytes pointer(24, 0x01);
    w.Raw(pointer.data(), pointer.size());
    const std::string bytes = TextBytes(v, col.narrow);
    w.U32(static_cast<std::uint32_t>(bytes.size()));
    w.Raw(bytes.data(), bytes.size());
    return;
  }
  if (col.maxLen != 0) {
    if (null) {
      if (col.Plp())
        w.U64(~0ULL);
      else
        w.U16(0xFFFF);
      return;
    }
    const std::string bytes = col.type == kBigVarBinary ? v.s : TextBytes(v, col.narrow);
    if (col.Plp()) {
      Plp(w, bytes);
    } else {
      w.U16(static_cast<std::uint16_t>(bytes.size()));
      w.Raw(bytes.data(), bytes.size());
    }
    return;
  }
  if (null) {
    w.U8(0);
    return;
  }
  switch (col.type) {
    case kIntN:
    case kBitN: {
      const std::int64_t n = v.type == vqodbc::Value::Type::Int    ? v.i
                             : v.type == vqodbc::Value::Type::Real ? static_cast<std::int64_t>(v.d)
                                                                   : std::strtoll(v.s.c_str(), nullptr, 10);
      w.U8(col.len);
      for (int b = 0; b < col.len; ++b) w.U8(static_cast<std::uint8_t>(static_cast<std::uint64_t>(n) >> (8 * b)));
      return;
    }
    case kFltN: {
      const double d = v.type == vqodbc::Value::Type::Int    ? static_cast<double>(v.i)
                       : v.type == vqodbc::Value::Type::Real ? v.d
                                                             : std::strtod(v.s.c_str(), nullptr);
      std::uint64_t bits = 0;
      std::memcpy(&bits, &d, sizeof bits);
      w.U8(8);
      w.U64(bits);
      return;
    }
    case kDecimalN: {
      bool negative = false;
      unsigned __int128 mag = 0;
      if (!Scaled(v, col.scale, negative, mag)) {
        w.U8(0);
        return;
      }
      w.U8(col.len);
      w.U8(negative ? 0 : 1);
      for (int b = 0; b < col.len - 1; ++b) w.U8(static_cast<std::uint8_t>(mag >> (8 * b)));
      return;
    }
    case kDateTimeN: {
      vqodbc::Stamp s;
      if (!vqodbc::ParseStamp(CellText(v), s)) {
        w.U8(0);
        return;
      }
      const long days = DaysFromCivil(s.year, s.month, s.day) - DaysFromCivil(1900, 1, 1);
      const long ms = s.nanos / 1000000;
      const std::uint32_t ticks =
          static_cast<std::uint32_t>((s.hour * 3600L + s.minute * 60L + s.second) * 300L + (ms * 300 + 500) / 1000);
      w.U8(8);
      w.U32(static_cast<std::uint32_t>(days));
      w.U32(ticks);
      return;
    }
    default:
      w.U8(0);
  }
}

}  // namespace

void Writer::U16(std::uint16_t v) {
  U8(static_cast<std::uint8_t>(v));
  U8(static_cast<std::uint8_t>(v >> 8));
}
void Writer::U16Be(std::uint16_t v) {
  U8(static_cast<std::uint8_t>(v >> 8));
  U8(static_cast<std::uint8_t>(v));
}
void Writer::U32(std::uint32_t v) {
  U16(static_cast<std::uint16_t>(v));
  U16(static_cast<std::uint16_t>(v >> 16));
}
void Writer::U64(std::uint64_t v) {
  U32(static_cast<std::uint32_t>(v));
  U32(static_cast<std::uint32_t>(v >> 32));
}
void Writer::Raw(const void* p, std::size_t n) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  out_.insert(out_.end(), b, b + n);
}
void Writer::Utf16(const std::string& utf8) {
  for (char16_t c : Wide(utf8)) U16(c);
}
void Writer::BVarChar(const std::string& utf8) {
  U8(static_cast<std::uint8_t>(Wide(utf8).size()));
  Utf16(utf8);
}
void Writer::UsVarChar(const std::string& utf8) {
  U16(static_cast<std::uint16_t>(Wide(utf8).size()));
  Utf16(utf8);
}

Bytes Packets(std::uint8_t type, const Bytes& payload, std::size_t packetSize) {
  Bytes out;
  const std::size_t room = packetSize - 8;
  std::size_t at = 0;
  std::uint8_t id = 1;
  do {
    const std::size_t n = std::min(room, payload.size() - at);
    const bool last = at + n == payload.size();
    const std::size_t len = n + 8;
    out.insert(out.end(), {type, static_cast<std::uint8_t>(last ? 1 : 0), static_cast<std::uint8_t>(len >> 8),
                           static_cast<std::uint8_t>(len), 0, 0, id++, 0});
    out.insert(out.end(), payload.begin() + static_cast<long>(at), payload.begin() + static_cast<long>(at + n));
    at += n;
  } while (at < payload.size());
  return out;
}

Bytes PreLoginReply() {
  // Options VERSION (6 bytes), ENCRYPTION (1), INSTOPT (1), MARS (1), then the terminator.
  Writer w;
  const std::uint16_t base = 4 * 5 + 1;
  const struct {
    std::uint8_t token;
    std::uint16_t len;
  } options[] = {{0, 6}, {1, 1}, {2, 1}, {4, 1}};
  std::uint16_t at = base;
  for (const auto& o : options) {
    w.U8(o.token);
    w.U16Be(at);
    w.U16Be(o.len);
    at = static_cast<std::uint16_t>(at + o.len);
  }
  w.U8(0xFF);
  w.Raw("\x0F\x00\x07\xD0\x00\x00", 6);
  w.U8(2);  // encryption not supported
  w.U8(0);
  w.U8(0);
  return w.Data();
}

bool ParseLogin(const Bytes& b, Login& out) {
  if (b.size() < 94 || Rd32(b, 0) != b.size()) return false;
  out.tdsVersion = Rd32(b, 4);
  out.packetSize = Rd32(b, 8);
  auto field = [&b](std::size_t at, std::string& s) { return Utf16At(b, Rd16(b, at), Rd16(b, at + 2), s); };
  if (!field(36, out.host) || !field(40, out.user) || !field(48, out.app) || !field(52, out.server) ||
      !field(68, out.database))
    return false;
  // The password's bytes have their nibbles swapped and are xor'ed with 0xA5.
  Bytes pwd;
  const std::size_t off = Rd16(b, 44);
  const std::size_t chars = Rd16(b, 46);
  if (off + chars * 2 > b.size()) return false;
  for (std::size_t i = 0; i < chars * 2; ++i) {
    const std::uint8_t x = b[off + i] ^ 0xA5;
    pwd.push_back(static_cast<std::uint8_t>((x << 4) | (x >> 4)));
  }
  return Utf16At(pwd, 0, chars, out.password);
}

void EnvChange(Writer& w, std::uint8_t type, const std::string& newValue, const std::string& oldValue) {
  Writer body;
  body.U8(type);
  body.BVarChar(newValue);
  body.BVarChar(oldValue);
  w.U8(kTokEnvChange);
  w.U16(static_cast<std::uint16_t>(body.Data().size()));
  w.Raw(body.Data().data(), body.Data().size());
}

void EnvChangeBytes(Writer& w, std::uint8_t type, const Bytes& newValue, const Bytes& oldValue) {
  Writer body;
  body.U8(type);
  body.U8(static_cast<std::uint8_t>(newValue.size()));
  body.Raw(newValue.data(), newValue.size());
  body.U8(static_cast<std::uint8_t>(oldValue.size()));
  body.Raw(oldValue.data(), oldValue.size());
  w.U8(kTokEnvChange);
  w.U16(static_cast<std::uint16_t>(body.Data().size()));
  w.Raw(body.Data().data(), body.Data().size());
}

void LoginAck(Writer& w, std::uint32_t tdsVersion) {
  Writer body;
  body.U8(1);
  for (int b = 3; b >= 0; --b) body.U8(static_cast<std::uint8_t>(tdsVersion >> (8 * b)));
  body.BVarChar("Test SQL Server");
  body.Raw("\x0F\x00\x07\xD0", 4);
  w.U8(kTokLoginAck);
  w.U16(static_cast<std::uint16_t>(body.Data().size()));
  w.Raw(body.Data().data(), body.Data().size());
}

void Message(Writer& w, bool error, std::int32_t number, std::uint8_t state, std::uint8_t severity,
             const std::string& text) {
  Writer body;
  body.U32(static_cast<std::uint32_t>(number));
  body.U8(state);
  body.U8(severity);
  body.UsVarChar(text);
  body.BVarChar("TESTSQL");
  body.BVarChar("");
  body.U32(1);
  w.U8(error ? kTokError : kTokInfo);
  w.U16(static_cast<std::uint16_t>(body.Data().size()));
  w.Raw(body.Data().data(), body.Data().size());
}

void Done(Writer& w, std::uint16_t status, std::uint64_t rows) {
  w.U8(kTokDone);
  w.U16(status);
  w.U16(0xC1);  // SELECT; the client does not read it
  w.U64(rows);
}

Bytes Collation() { return {0x04, 0x08, 0xD0, 0x00, 0x00}; }

void RowSet(Writer& w, const vqodbc::Result& r) {
  std::vector<Wire> wires;
  for (std::size_t c = 0; c < r.columns.size(); ++c) wires.push_back(Choose(r.columns[c], r.rows, c));
  w.U8(kTokColMetadata);
  w.U16(static_cast<std::uint16_t>(r.columns.size()));
  const Bytes collation = Collation();
  for (std::size_t c = 0; c < r.columns.size(); ++c) {
    const Wire& x = wires[c];
    w.U32(0);
    w.U16(r.columns[c].nullable ? 0x0001 : 0x0000);
    w.U8(x.type);
    if (x.Lob()) {
      w.U32(x.narrow ? 0x7FFFFFFFu : 0x7FFFFFFEu);
      w.Raw(collation.data(), collation.size());
      w.U8(1);  // the table name, in one part
      w.UsVarChar(r.columns[c].table.empty() ? "t" : r.columns[c].table);
    } else if (x.maxLen != 0) {
      w.U16(x.maxLen);
      if (x.type != kBigVarBinary) w.Raw(collation.data(), collation.size());
    } else {
      w.U8(x.len);
      if (x.type == kDecimalN) {
        w.U8(x.precision);
        w.U8(x.scale);
      }
    }
    w.BVarChar(r.columns[c].name);
  }
  for (const auto& row : r.rows) {
    w.U8(kTokRow);
    for (std::size_t c = 0; c < wires.size(); ++c) Cell(w, wires[c], row[c]);
  }
}

bool BatchText(const Bytes& payload, std::string& utf8) {
  if (payload.size() < 4) return false;
  const std::size_t headers = Rd32(payload, 0);
  if (headers < 4 || headers > payload.size() || (payload.size() - headers) % 2 != 0) return false;
  return Utf16At(payload, headers, (payload.size() - headers) / 2, utf8);
}

}  // namespace vqtest::tds
