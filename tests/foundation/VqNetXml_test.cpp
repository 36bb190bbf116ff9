#include <gtest/gtest.h>

#include <string>

#include "foundation/VqNetUtil.h"
#include "support/MachineRootFixture.h"
#include "support/MachineRootLog.h"

namespace {

using tessaly::TVqNet::CreateBomXML;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

struct XmlCase {
  const char* name;
  std::string input;
  std::string body;  // what follows the declaration
};

// The markup comes back under our one declaration, as loaded: a declaration of its own (even one
// naming another encoding) is replaced, a byte-order mark and the white space beside the root
// are dropped, indentation, comments, instructions and the document type are kept, and Chinese
// text stays UTF-8.
TEST(CreateBomXML, WritesTheMarkupUnderOneDeclaration) {
  const XmlCase cases[] = {
      {"plain", "<bom><item id=\"1\">x</item></bom>", "<bom><item id=\"1\">x</item></bom>"},
      {"own declaration", "<?xml version=\"1.1\" encoding=\"GBK\" standalone=\"yes\"?>\r\n<a>中文</a>\r\n",
       "<a>中文</a>"},
      {"latin-1 claim", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE4\xB8\xAD</a>", "<a>中</a>"},
      {"byte-order mark", "\xEF\xBB\xBF<a/>", "<a/>"},
      {"indentation", "<a>\n  <b/>\n</a>", "<a>\n  <b/>\n</a>"},
      {"comment, instruction, doctype", "<!DOCTYPE a><!-- c --><a/><?pi x?>", "<!DOCTYPE a><!-- c --><a/><?pi x?>"},
      {"escapes", "<a k='say \"hi\"'>&amp;&#x4E2D;&lt;</a>", "<a k=\"say &quot;hi&quot;\">&amp;中&lt;</a>"},
  };
  for (const auto& c : cases) EXPECT_EQ(CreateBomXML(c.input), kDecl + c.body) << c.name;
}

// Text that is not one well-formed document gives an empty result and a log line, and no
// exception leaves the call.
TEST(CreateBomXML, RefusesWhatIsNotOneDocument) {
  const char* const cases[] = {
      "",            // nothing
      "plain text",  // no element
      "<!-- only a comment -->",
      "<a><b></a>",         // mismatched tags
      "<a>",                // unclosed
      "<a/><b/>",           // two roots
      "<a/>tail",           // text after the root
      "<a/><![CDATA[x]]>",  // character data after the root
      "<a x=1/>",           // unquoted attribute
  };
  vqtest::MachineRootFixture machine;
  vqtest::MachineRootLog log(true);
  for (const char* c : cases) {
    std::string out = "untouched";
    EXPECT_NO_THROW(out = CreateBomXML(c)) << c;
    EXPECT_EQ(out, "") << c;
  }
  EXPECT_NE(log.Text().find("Net.CreateBomXML: not a well-formed XML document (more than one document element)"),
            std::string::npos)
      << log.Text();
}

}  // namespace
