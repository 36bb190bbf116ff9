// The fake platform's own reading and counting, which the upload benchmark relies on: bodies of
// any size arrive whole through the buffered reads, and with counts only nothing is kept while
// every request is still counted and its signature checked.
#include "support/FakePlatformServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

namespace {

using vqtest::FakePlatformServer;
using vqtest::FakeReply;

// A signed form body; a wrong signature when `good` is false.
std::string SignedBody(const std::string& json, bool good) {
  const std::string md5 = good ? vqtest::PlatformSignature(json) : std::string(32, '0');
  return "json=" + json + "&md5=" + md5;
}

std::string JsonOfSize(std::size_t size) {
  std::string json = "{\"t\":\"";
  while (json.size() + 2 < size) json += static_cast<char>('a' + json.size() % 26);
  return json + "\"}";
}

// Bodies around and far beyond the read buffer arrive byte for byte, header fields included.
TEST(FakePlatformServer, BodiesOfAnySizeArriveWhole) {
  FakePlatformServer server;
  server.SetDefault("UpTable.ashx", FakeReply::Json("{\"bResult\":true}"));
  httplib::Client client("127.0.0.1", server.port());
  const std::size_t sizes[] = {2, 16383, 16384, 16385, 300000};
  for (const std::size_t size : sizes) {
    const std::string body = SignedBody(JsonOfSize(size), true);
    const auto reply = client.Post("/UpTable.ashx", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(reply) << size;
    EXPECT_EQ(reply->body, "{\"bResult\":true}");
  }
  const auto requests = server.RequestsTo("UpTable.ashx");
  ASSERT_EQ(requests.size(), std::size(sizes));
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].body, SignedBody(JsonOfSize(sizes[i]), true)) << sizes[i];
    EXPECT_EQ(requests[i].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_TRUE(requests[i].signatureValid) << sizes[i];
  }
}

// Counts only: nothing is kept after the switch, every request is counted, wrong signatures too.
TEST(FakePlatformServer, CountsOnlyKeepsNothingButCountsEverything) {
  FakePlatformServer server;
  server.SetDefault("UpTable.ashx", FakeReply::Json("{\"bResult\":true}"));
  httplib::Client client("127.0.0.1", server.port());
  ASSERT_TRUE(client.Post("/UpTable.ashx", SignedBody("{}", true), "application/x-www-form-urlencoded"));
  server.KeepOnlyCounts(true);
  const bool good[] = {true, false, true, false, true};
  for (const bool g : good) {
    const auto reply = client.Post("/UpTable.ashx", SignedBody(JsonOfSize(50000), g), "application/x-www-form-urlencoded");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
  }
  EXPECT_EQ(server.Requests().size(), 1U);
  EXPECT_EQ(server.RequestCount(), 6U);
  EXPECT_EQ(server.BadSignatureCount(), 2U);
  EXPECT_TRUE(server.WaitForRequests(6, 1000));
}

}  // namespace
