// The XML document helper of the HTTP utility.
#include <pugixml.hpp>

#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"

namespace tessaly::TVqNet {

namespace {

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& aOut) : FOut(aOut) {}
  void write(const void* data, std::size_t size) override { FOut.append(static_cast<const char*>(data), size); }

 private:
  std::string& FOut;
};

bool IsBlank(const char* aText) {
  for (; *aText != '\0'; ++aText)
    if (*aText != ' ' && *aText != '\t' && *aText != '\n' && *aText != '\r') return false;
  return true;
}

// The parser takes several roots and text beside the root in its stride (it reads fragments);
// a document holds one root element and nothing but markup and white space beside it. The
// white space between top-level nodes is dropped. Empty when the document is sound.
std::string CheckTopLevel(pugi::xml_document& aDoc) {
  int elements = 0;
  for (pugi::xml_node node = aDoc.first_child(); node;) {
    const pugi::xml_node next = node.next_sibling();
    if (node.type() == pugi::node_element) {
      ++elements;
    } else if (node.type() == pugi::node_pcdata && IsBlank(node.value())) {
      aDoc.remove_child(node);
    } else if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
      return "text outside the document element";
    }
    node = next;
  }
  if (elements == 0) return "no document element";
  if (elements > 1) return "more than one document element";
  return {};
}

}  // namespace

std::string CreateBomXML(const std::string& aXmlData) {
  try {
    // Without parse_declaration a declaration in the text is skipped, so only ours is written;
    // parse_ws_pcdata keeps the indentation inside elements; parse_fragment keeps text beside
    // the root, so that CheckTopLevel can refuse it.
    constexpr unsigned kParse = pugi::parse_default | pugi::parse_pi | pugi::parse_comments | pugi::parse_doctype |
                                pugi::parse_ws_pcdata | pugi::parse_fragment;
    pugi::xml_document doc;
    // The text is UTF-8 whatever its own declaration claims.
    const pugi::xml_parse_result parsed =
        doc.load_buffer(aXmlData.data(), aXmlData.size(), kParse, pugi::encoding_utf8);
    std::string why;
    if (!parsed)
      why = std::string(parsed.description()) + " at offset " + std::to_string(parsed.offset);
    else
      why = CheckTopLevel(doc);
    if (!why.empty()) {
      TvqLib::Log("Net.CreateBomXML: not a well-formed XML document (" + why + ")");
      return {};
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    StringWriter writer(out);
    doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out;
  } catch (const std::exception& e) {
    TvqLib::Log(std::string("Net.CreateBomXML: ") + e.what());
    return {};
  }
}

}  // namespace tessaly::TVqNet
