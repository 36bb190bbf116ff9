#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Fonts.h"
#include "platform/Process.h"
#include "platform/ProcessFind.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/WinPath.h"
#include "setup/core/VqLib.h"
#include "support/MachineRootFixture.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;

std::string ImagePath(const std::string& service) {
  platform::RegKey k;
  std::string value;
  (void)platform::RegKey::Open(platform::RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\" + service,
                               platform::RegAccess::Read, platform::RegView::Force64, k);
  (void)k.ReadString("ImagePath", value);
  return value;
}

// A service is installed, started, queried, stopped and deleted; installing an existing service
// starts it without changing its program.
TEST(VqLibServices, InstallStartQueryStopDelete) {
  vqtest::MachineRootFixture machine;
  vqtest::PlaceProgramStandin("C:\\Svc\\VqUpdate.exe");
  EXPECT_TRUE(TvqLib::InstallService("VqUpdate", "Vq Update", "C:\\Svc\\VqUpdate.exe", false));
  EXPECT_TRUE(TvqLib::IsServiceStopped("VqUpdate"));
  EXPECT_TRUE(TvqLib::InstallService("VqUpdate", "Other", "C:\\Elsewhere\\Other.exe", true));
  EXPECT_EQ(ImagePath("VqUpdate"), "C:\\Svc\\VqUpdate.exe");
  EXPECT_TRUE(TvqLib::IsServiceRunning("VqUpdate"));
  EXPECT_EQ(TvqLib::GetServiceState("VqUpdate"), 4);
  EXPECT_TRUE(TvqLib::InstallService("VqUpdate", "Vq Update", "C:\\Svc\\VqUpdate.exe", true));
  EXPECT_TRUE(TvqLib::StartServiceByName("vqupdate"));
  EXPECT_TRUE(TvqLib::IsProgramRunning("C:\\Svc\\VqUpdate.exe"));

  EXPECT_TRUE(TvqLib::StopService("VqUpdate"));
  EXPECT_TRUE(vqtest::WaitUntil([] { return TvqLib::IsServiceStopped("VqUpdate"); }));
  EXPECT_FALSE(TvqLib::StopService("VqUpdate"));
  EXPECT_TRUE(TvqLib::StartServiceByName("VqUpdate"));
  EXPECT_TRUE(TvqLib::StopService("VqUpdate"));
  EXPECT_TRUE(vqtest::WaitUntil([] { return TvqLib::IsServiceStopped("VqUpdate"); }));
  EXPECT_EQ(platform::DeleteService("VqUpdate"), 0);
  EXPECT_EQ(ImagePath("VqUpdate"), "");

  // Missing services are ordinary answers.
  EXPECT_FALSE(TvqLib::StopService("Missing"));
  EXPECT_FALSE(TvqLib::StartServiceByName("Missing"));
  EXPECT_EQ(TvqLib::GetServiceState("Missing"), 1);
  EXPECT_FALSE(TvqLib::IsServiceRunning("Missing"));
  // A service whose program is not there is created but does not run.
  EXPECT_FALSE(TvqLib::InstallService("Ghost", "Ghost", "C:\\Svc\\Ghost.exe", true));
  EXPECT_EQ(ImagePath("Ghost"), "C:\\Svc\\Ghost.exe");
  EXPECT_TRUE(TvqLib::InstallService("Ghost", "Ghost", "C:\\Svc\\Ghost.exe", false));
}

// The machine's processes running `windowsPath`.
int CopiesRunning(const std::string& windowsPath) {
  int count = 0;
  for (const int pid : platform::ProcessIds()) count += platform::ProcessImagePath(pid) == windowsPath ? 1 : 0;
  return count;
}

// A service whose program is a "#!" script runs as one process of that script: it reads as
// running, a second start starts no second copy, and the stop ends it.
TEST(VqLibServices, ScriptServiceRunsOnceAndStops) {
  vqtest::MachineRootFixture machine;
  vqtest::PlaceScriptStandin("C:\\Svc\\VqScript.exe");
  ASSERT_TRUE(TvqLib::InstallService("VqScript", "Vq Script", "C:\\Svc\\VqScript.exe", true));
  ASSERT_TRUE(vqtest::WaitUntil([] { return CopiesRunning("C:\\Svc\\VqScript.exe") == 1; }));
  EXPECT_TRUE(TvqLib::IsServiceRunning("VqScript"));
  EXPECT_TRUE(TvqLib::IsProgramRunning("C:\\Svc\\VqScript.exe"));
  EXPECT_TRUE(TvqLib::StartServiceByName("VqScript"));
  EXPECT_TRUE(TvqLib::InstallService("VqScript", "Vq Script", "C:\\Svc\\VqScript.exe", true));
  EXPECT_EQ(CopiesRunning("C:\\Svc\\VqScript.exe"), 1);

  EXPECT_TRUE(TvqLib::StopService("VqScript"));
  EXPECT_TRUE(vqtest::WaitUntil([] { return CopiesRunning("C:\\Svc\\VqScript.exe") == 0; }));
  EXPECT_TRUE(TvqLib::IsServiceStopped("VqScript"));
  EXPECT_FALSE(TvqLib::IsProgramRunning("VqScript.exe"));
  EXPECT_FALSE(TvqLib::StopService("VqScript"));
}

// A component counts as registered only when DllRegisterServer answers 0.
TEST(VqLibServices, RegistersComponents) {
  vqtest::MachineRootFixture machine;
  vqtest::PlaceComponentStandin("C:\\App\\VqOcx.dll");
  EXPECT_TRUE(TvqLib::RegisterComponent("C:\\App\\VqOcx.dll"));
  setenv("VQ_COMPONENT_RESULT", "1", 1);
  EXPECT_FALSE(TvqLib::RegisterComponent("C:\\App\\VqOcx.dll"));
  unsetenv("VQ_COMPONENT_RESULT");
  EXPECT_FALSE(TvqLib::RegisterComponent(vqtest::LibraryWithoutEntryFile()));
  EXPECT_FALSE(TvqLib::RegisterComponent("C:\\App\\Missing.dll"));
}

// A library outside the machine, named by its host path or through a link inside the machine,
// is never loaded: its DllRegisterServer would run (and answer 0) if it were.
TEST(VqLibServices, RefusesComponentsOutsideTheMachine) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir outside;
  std::filesystem::copy_file(vqtest::ComponentStandinFile(), outside.file("Host.dll"));
  const std::string link = platform::HostPath("C:\\App\\Linked.dll");
  std::filesystem::create_directories(std::filesystem::path(link).parent_path());
  std::filesystem::create_symlink(outside.file("Host.dll"), link);
  std::vector<std::string> notes;
  orvane::SetLibraryLog([&notes](const std::string& line) { notes.push_back(line); });
  EXPECT_FALSE(TvqLib::RegisterComponent(outside.file("Host.dll")));
  EXPECT_FALSE(TvqLib::RegisterComponent("C:\\App\\Linked.dll"));
  orvane::SetLibraryLog({});
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "component refused, no such library inside the machine: " + outside.file("Host.dll"),
                       "component refused, no such library inside the machine: C:\\App\\Linked.dll"}));
  vqtest::PlaceComponentStandin("C:\\App\\VqOcx.dll");
  EXPECT_TRUE(TvqLib::RegisterComponent("c:\\app\\vqocx.dll"));
}

// A font is registered from where it lies, without being copied to the Fonts folder.
TEST(VqLibServices, InstallsAFontForTheSession) {
  vqtest::MachineRootFixture machine;
  const std::string font = platform::HostPath("C:\\App\\fonts\\micro.ttc");
  std::filesystem::create_directories(std::filesystem::path(font).parent_path());
  std::filesystem::copy_file("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", font);
  EXPECT_TRUE(TvqLib::InstallFont("C:\\App\\fonts\\micro.ttc"));
  EXPECT_FALSE(TvqLib::InstallFont("C:\\App\\fonts\\"));
  EXPECT_FALSE(TvqLib::InstallFont("C:\\App\\fonts\\none.ttf"));
  EXPECT_EQ(platform::SessionFontList(), "C:\\App\\fonts\\micro.ttc\n");
  EXPECT_TRUE(std::filesystem::is_empty(platform::HostPath("C:\\Windows\\Fonts")));
}

}  // namespace
