// The member-points file: loaded from any bytes, changed, saved, loaded again. Oracles: the
// saved lines are those of the plain rule (each id's last non-empty value at the place of its
// first line, a line removed when its id's value becomes empty), and saving what was loaded from
// a saved file gives the same bytes.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "foundation/VqSyncIDValueList.h"
#include "platform/TextCodec.h"

namespace {

std::string NameOf(const std::string& line) {
  const std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

// The rule written the slow, obvious way.
std::string ExpectedText(const tessaly::TVqSyncIDValueList& aList) {
  std::vector<std::string> lines;
  for (int i = 0; i < aList.Count(); ++i) {
    const std::string id = aList.GetId(i);
    const std::string value = aList.GetValue(i);
    std::size_t at = 0;
    while (at < lines.size() && !platform::SameText(NameOf(lines[at]), id)) ++at;
    if (value.empty()) {
      if (at < lines.size()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (at < lines.size()) {
      lines[at] = id + "=" + value;
    } else {
      lines.push_back(id + "=" + value);
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using tessaly::TVqSyncIDValueList;
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::string first = vqfuzz::ScratchDir() + "points.dat";
  const std::string second = vqfuzz::ScratchDir() + "points2.dat";
  std::remove(second.c_str());

  TVqSyncIDValueList list;
  const std::uint8_t changes = in.Byte() % 8;
  std::vector<std::pair<int, std::pair<std::string, std::string>>> ops;
  for (int i = 0; i < changes; ++i) {
    const int op = in.Byte() % 3;
    std::string id = in.Text();
    std::string value = in.Text();
    ops.push_back({op, {std::move(id), std::move(value)}});
  }
  std::ofstream(first, std::ios::binary | std::ios::trunc) << in.Rest();
  list.Load(first);
  for (const auto& [op, pair] : ops) {
    if (op == 0)
      list.Add(pair.first, pair.second);
    else if (op == 1)
      list.Update(pair.first, pair.second);
    else
      list.Del(static_cast<int>(pair.first.size()) % (list.Count() + 1));
  }

  list.Save(second);
  const std::string expected = ExpectedText(list);
  if (expected.empty()) {
    FUZZ_CHECK(vqfuzz::FileBytes(second).empty(), expected);
    return 0;
  }
  const std::string saved = vqfuzz::FileBytes(second);
  FUZZ_CHECK(saved == platform::Utf8ToCp936(expected), expected);

  // A line break or "=" inside an id or value makes other lines when read back, and a character
  // the code page lacks is written as "?", so two ids may become one.
  for (int i = 0; i < list.Count(); ++i) {
    const std::string pair = list.GetId(i) + list.GetValue(i);
    if (pair.find_first_of("\r\n") != std::string::npos || list.GetId(i).find('=') != std::string::npos ||
        platform::Cp936ToUtf8(platform::Utf8ToCp936(pair)) != pair)
      return 0;
  }
  // A first line whose code page bytes begin like a UTF-8 byte-order mark ("锘縑" is EF BB BF 56)
  // is read back as UTF-8: the file form cannot tell the two apart.
  if (saved.rfind("\xEF\xBB\xBF", 0) == 0) return 0;
  TVqSyncIDValueList again;
  again.Load(second);
  again.Save(first);
  FUZZ_CHECK(vqfuzz::FileBytes(first) == saved, saved);
  return 0;
}
