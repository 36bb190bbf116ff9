// The JSON helpers over outside text: member values, rewrites, pretty print, code generation,
// rows into a dataset, tagged objects, and record reading. Oracle: a record read from any text
// and written with Obj2JSON reads back to the very same text.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "engine/AppObjectsUtil.h"
#include "foundation/JSONHelperUtil.h"
#include "support/MemDataset.h"

namespace {

using namespace tessaly;

void CheckRecordRoundTrip(const std::string& aText) {
  TPosRespond first;
  std::string erro;
  if (!ReadVqObject(aText, first, erro)) return;
  const std::string written = TJSONHelper::Obj2JSON(first);
  TPosRespond second;
  FUZZ_CHECK(ReadVqObject(written, second, erro), written + "\n" + erro);
  FUZZ_CHECK(TJSONHelper::Obj2JSON(second) == written, written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::uint8_t op = in.Byte() % 7;
  const std::string name = in.Text();
  const std::string text = in.Rest();
  std::string erro;
  switch (op) {
    case 0:
      (void)TJSONHelper::AnsiJSON(text);
      (void)TJSONHelper::FormatJSON(text, "  ");
      break;
    case 1:
      (void)TJSONHelper::JSONValue(text, name, "def", 0);
      (void)TJSONHelper::JSONValue(text, name, "def", 1);
      (void)TJSONHelper::JSONValue(text, name, "x", "def", 1);
      break;
    case 2:
      (void)TJSONHelper::JSONAddObject(text, name, text);
      (void)TJSONHelper::JSONAddObject(name, "m", text);
      break;
    case 3:
      (void)TJSONHelper::JSON2Code(text, "TRecord", "desc", name.size() % 2, "TBase");
      break;
    case 4: {
      vqtest::MemDataset data;
      (void)TJSONHelper::JSONToData(text, name, data, erro);
      vqtest::MemDataset nested;
      (void)TJSONHelper::JSONToData(text, name, "rows", nested, erro);
      break;
    }
    case 5:
      (void)TJSONHelper::JSONToObject(text, erro);
      break;
    default:
      CheckRecordRoundTrip(text);
      break;
  }
  return 0;
}
