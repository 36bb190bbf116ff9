#pragma once
// A mini-program order page (wxDownloadPos.ashx, action=pos) as large as asked, each record
// carrying every member of its record class with values of a real page's lengths, so that what
// reading it costs is what a real page of that size costs.
#include <cstddef>
#include <string>

namespace vqtest {

// Orders of three lines and three payments each until the text holds at least `minBytes`.
[[nodiscard]] std::string FullAppletPage(std::size_t minBytes);
// The number of orders in a page made by FullAppletPage.
[[nodiscard]] std::size_t FullAppletOrders(const std::string& page);

}  // namespace vqtest
