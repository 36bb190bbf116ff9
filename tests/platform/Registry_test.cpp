#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/WinError.h"
#include "support/MachineRootFixture.h"

namespace {

using platform::kErrorAccessDenied;
using platform::kErrorFileNotFound;
using platform::kErrorSuccess;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;
using Bits = vqtest::MachineRootFixture::Bits;

std::string Read(RegRoot root, const std::string& path, const std::string& name, RegView view) {
  RegKey key;
  if (RegKey::Open(root, path, RegAccess::Read, view, key) != kErrorSuccess) return "<no key>";
  std::string value;
  const long rc = key.ReadString(name, value);
  return rc == kErrorSuccess ? value : "<error " + std::to_string(rc) + ">";
}

// Names compare without case but keep the spelling they were created with.
TEST(Registry, NamesIgnoreCaseAndKeepTheirSpelling) {
  vqtest::MachineRootFixture machine;
  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::CurrentUser, "Software\\Vq\\Tool", RegView::Default, key), kErrorSuccess);
  ASSERT_EQ(key.WriteString("MixedCase", "1"), kErrorSuccess);
  ASSERT_EQ(key.WriteString("MIXEDCASE", "2"), kErrorSuccess);
  ASSERT_EQ(key.WriteDword("Count", 7), kErrorSuccess);
  EXPECT_EQ(Read(RegRoot::CurrentUser, "\\SOFTWARE\\vq\\TOOL\\", "mixedcase", RegView::Default), "2");
  std::vector<std::string> names;
  ASSERT_EQ(key.ValueNames(names), kErrorSuccess);
  EXPECT_EQ(names, (std::vector<std::string>{"MixedCase", "Count"}));

  RegKey parent;
  ASSERT_EQ(RegKey::Open(RegRoot::CurrentUser, "software\\VQ", RegAccess::Read, RegView::Default, parent), kErrorSuccess);
  ASSERT_EQ(parent.SubKeyNames(names), kErrorSuccess);
  EXPECT_EQ(names, (std::vector<std::string>{"Tool"}));

  std::uint32_t count = 0;
  EXPECT_EQ(key.ReadDword("count", count), kErrorSuccess);
  EXPECT_EQ(count, 7u);
  std::string text;
  EXPECT_EQ(key.ReadString("Count", text), platform::kErrorUnsupportedType);
  EXPECT_EQ(key.ReadString("Absent", text), kErrorFileNotFound);
}

// Which stored key each view sees for HKLM paths on 64- and 32-bit machines.
TEST(Registry, ThirtyTwoBitViewRedirectsSoftware) {
  struct Case {
    Bits bits;
    RegView writeView;
    const char* writePath;
    const char* readPath;  // read in the 64-bit view, i.e. the stored path
  } cases[] = {
      {Bits::x64, RegView::Default, "SOFTWARE\\Vq", "SOFTWARE\\Wow6432Node\\Vq"},
      {Bits::x64, RegView::Force32, "Software\\Vq", "SOFTWARE\\Wow6432Node\\Vq"},
      {Bits::x64, RegView::Force64, "SOFTWARE\\Vq", "SOFTWARE\\Vq"},
      {Bits::x64, RegView::Default, "SOFTWARE\\Wow6432Node\\Vq", "SOFTWARE\\Wow6432Node\\Vq"},
      {Bits::x64, RegView::Default, "SYSTEM\\Vq", "SYSTEM\\Vq"},
      {Bits::x86, RegView::Default, "SOFTWARE\\Vq", "SOFTWARE\\Vq"},
      {Bits::x86, RegView::Force32, "SOFTWARE\\Vq", "SOFTWARE\\Vq"},
  };
  for (const Case& c : cases) {
    vqtest::MachineRootFixture machine(c.bits);
    RegKey key;
    ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, c.writePath, c.writeView, key), kErrorSuccess) << c.writePath;
    ASSERT_EQ(key.WriteString("v", "here"), kErrorSuccess);
    EXPECT_EQ(Read(RegRoot::LocalMachine, c.readPath, "v", RegView::Force64), "here") << c.writePath;
  }
}

// A fresh machine has the Run keys of both views, the shell folders and the version values.
TEST(Registry, FreshMachineIsSeeded) {
  vqtest::MachineRootFixture machine;
  RegKey key;
  for (RegView view : {RegView::Force64, RegView::Force32}) {
    EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                           RegAccess::Read, view, key),
              kErrorSuccess);
    EXPECT_EQ(Read(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                   "Common Desktop", view),
              "C:\\Users\\Public\\Desktop");
    EXPECT_EQ(Read(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", view),
              "Windows 10 Pro");
  }
  EXPECT_EQ(Read(RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                 "Start Menu", RegView::Default),
            "C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
  ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", RegAccess::Read,
                         RegView::Default, key),
            kErrorSuccess);
  std::uint32_t major = 0;
  EXPECT_EQ(key.ReadDword("CurrentMajorVersionNumber", major), kErrorSuccess);
  EXPECT_EQ(major, 10u);
}

// A 32-bit machine has no 32-bit view keys.
TEST(Registry, ThirtyTwoBitMachineHasNoWow6432Node) {
  vqtest::MachineRootFixture machine(Bits::x86);
  RegKey key;
  EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node", RegAccess::Read, RegView::Force64, key),
            kErrorFileNotFound);
}

// Deleting a key takes its subkeys and values along; handles to it then fail.
TEST(Registry, DeleteKeyRemovesTheWholeTree) {
  vqtest::MachineRootFixture machine;
  RegKey deep;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, "SOFTWARE\\Vq\\A\\B", RegView::Force64, deep), kErrorSuccess);
  ASSERT_EQ(deep.WriteString("x", "1"), kErrorSuccess);
  RegKey top;
  ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Vq", RegAccess::Write, RegView::Force64, top), kErrorSuccess);
  EXPECT_EQ(top.DeleteSubKey("a"), kErrorSuccess);
  EXPECT_EQ(top.DeleteSubKey("a"), kErrorFileNotFound);
  std::string value;
  EXPECT_EQ(deep.ReadString("x", value), platform::kErrorKeyDeleted);
  EXPECT_EQ(RegKey::DeleteKey(RegRoot::LocalMachine, "SOFTWARE\\VQ", RegView::Force64), kErrorSuccess);
  EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Vq", RegAccess::Read, RegView::Force64, top),
            kErrorFileNotFound);
  EXPECT_EQ(RegKey::DeleteKey(RegRoot::LocalMachine, "\\", RegView::Force64), kErrorAccessDenied);
}

// A user who is no administrator cannot open HKLM for writing but still reads it and writes HKCU;
// a read handle never writes.
TEST(Registry, WritesNeedTheRight) {
  vqtest::MachineRootFixture machine;
  machine.SetMachineValue("Admin", "0");
  RegKey key;
  EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", RegAccess::Write,
                         RegView::Force64, key),
            kErrorAccessDenied);
  EXPECT_EQ(RegKey::Create(RegRoot::LocalMachine, "SOFTWARE\\Vq", RegView::Force64, key), kErrorAccessDenied);
  EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", RegAccess::Read,
                         RegView::Force64, key),
            kErrorSuccess);
  EXPECT_EQ(key.WriteString("x", "1"), kErrorAccessDenied);
  EXPECT_EQ(RegKey::Create(RegRoot::CurrentUser, "Software\\Vq", RegView::Default, key), kErrorSuccess);
}

// A store file that cannot be written makes every write open fail; reads go on.
TEST(Registry, ReadOnlyStoreRefusesWriteOpens) {
  vqtest::MachineRootFixture machine;
  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::CurrentUser, "Software\\Vq", RegView::Default, key), kErrorSuccess);
  ASSERT_EQ(key.WriteString("x", "1"), kErrorSuccess);
  ASSERT_EQ(::chmod((machine.root() + "/registry.db").c_str(), 0444), 0);
  RegKey refused;
  EXPECT_EQ(RegKey::Open(RegRoot::CurrentUser, "Software\\Vq", RegAccess::Write, RegView::Default, refused),
            kErrorAccessDenied);
  EXPECT_EQ(key.WriteString("x", "2"), kErrorAccessDenied);
  EXPECT_EQ(Read(RegRoot::CurrentUser, "Software\\Vq", "x", RegView::Default), "1");
}

// Two processes writing the same store at once lose nothing, and each sees the other's values.
TEST(Registry, IsSharedBetweenProcesses) {
  vqtest::MachineRootFixture machine;
  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, "SOFTWARE\\Vq\\Shared", RegView::Force64, key), kErrorSuccess);
  constexpr int kValues = 40;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failures = 0;
    for (int i = 0; i < kValues; ++i)
      failures += key.WriteString("child" + std::to_string(i), std::to_string(i)) != kErrorSuccess;
    _exit(failures == 0 ? 0 : 1);
  }
  for (int i = 0; i < kValues; ++i) EXPECT_EQ(key.WriteString("parent" + std::to_string(i), "p"), kErrorSuccess);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::vector<std::string> names;
  ASSERT_EQ(key.ValueNames(names), kErrorSuccess);
  EXPECT_EQ(names.size(), 2u * kValues);
  EXPECT_EQ(Read(RegRoot::LocalMachine, "SOFTWARE\\Vq\\Shared", "CHILD39", RegView::Force64), "39");
}

}  // namespace
