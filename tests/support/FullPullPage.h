#pragma once
// A mini-program order page (wxDownloadPos.ashx, action=pos) as large as asked, with values of
// a real page's lengths, so that what reading it costs is what a real page of that size costs.
#include <cstddef>
#include <string>

namespace vqtest {

enum class TOrderShape {
  Full,       // three lines and three payments, each record with every member of its class
  Typical,    // two lines and one payment, every member given, the texts an order leaves blank empty
  Small,      // one line and one payment, with the few members an order cannot do without
  SheetOnly,  // a header with its sheet number and nothing else
};

// Orders of `shape` until the text holds at least `minBytes`.
[[nodiscard]] std::string AppletPage(TOrderShape shape, std::size_t minBytes);
// AppletPage of full orders.
[[nodiscard]] std::string FullAppletPage(std::size_t minBytes);
// The number of orders in a page made by AppletPage.
[[nodiscard]] std::size_t FullAppletOrders(const std::string& page);

}  // namespace vqtest
