#include "platform/Services.h"

#include <gtest/gtest.h>

#include "platform/MachineRoot.h"
#include "platform/Process.h"
#include "platform/ProcessFind.h"
#include "platform/Registry.h"
#include "platform/WinError.h"
#include "support/MachineRootFixture.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

int State(const std::string& name) {
  int state = 0;
  (void)platform::QueryServiceState(name, state);
  return state;
}

// A service goes through its whole life: created with Windows' values, started detached,
// queried, stopped by the stop control, deleted; missing services answer as Windows does.
TEST(Services, InstallStartQueryStopDelete) {
  vqtest::MachineRootFixture machine;
  vqtest::PlaceProgramStandin("C:\\Svc\\VqUpdate.exe");
  ASSERT_EQ(platform::CreateService("VqUpdate", "Vq Update", "C:\\Svc\\VqUpdate.exe"), platform::kErrorSuccess);
  EXPECT_EQ(platform::CreateService("vqupdate", "x", "C:\\x.exe"), platform::kErrorServiceExists);
  platform::RegKey key;
  ASSERT_EQ(platform::RegKey::Open(platform::RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\VqUpdate",
                                   platform::RegAccess::Read, platform::RegView::Force64, key),
            platform::kErrorSuccess);
  std::string text;
  std::uint32_t number = 0;
  EXPECT_EQ(key.ReadString("ImagePath", text), platform::kErrorSuccess);
  EXPECT_EQ(text, "C:\\Svc\\VqUpdate.exe");
  EXPECT_EQ(key.ReadString("DisplayName", text), platform::kErrorSuccess);
  EXPECT_EQ(text, "Vq Update");
  EXPECT_EQ(key.ReadDword("Type", number), platform::kErrorSuccess);
  EXPECT_EQ(number, 0x110u);
  EXPECT_EQ(key.ReadDword("Start", number), platform::kErrorSuccess);
  EXPECT_EQ(number, 2u);

  EXPECT_EQ(State("VqUpdate"), platform::kServiceStopped);
  EXPECT_EQ(platform::StopService("VqUpdate"), platform::kErrorServiceNotActive);
  ASSERT_EQ(platform::StartService("VQUPDATE"), platform::kErrorSuccess);
  EXPECT_EQ(State("VqUpdate"), platform::kServiceRunning);
  EXPECT_EQ(platform::StartService("VqUpdate"), platform::kErrorServiceAlreadyRunning);
  const int pid = platform::FindProgramProcess("C:\\Svc\\VqUpdate.exe");
  EXPECT_GT(pid, 0);

  EXPECT_EQ(platform::StopService("VqUpdate"), platform::kErrorSuccess);
  EXPECT_TRUE(vqtest::WaitUntil([] { return State("VqUpdate") == platform::kServiceStopped; }));
  EXPECT_EQ(platform::DeleteService("VqUpdate"), platform::kErrorSuccess);
  EXPECT_EQ(platform::OpenService("VqUpdate"), platform::kErrorServiceDoesNotExist);

  for (const char* missing : {"Nothing", "", "a/b", ".."}) {
    EXPECT_NE(platform::StartService(missing), platform::kErrorSuccess) << missing;
    EXPECT_NE(platform::StopService(missing), platform::kErrorSuccess) << missing;
    EXPECT_EQ(State(missing), platform::kServiceStopped) << missing;
  }
  EXPECT_EQ(platform::StopService("Nothing"), platform::kErrorServiceDoesNotExist);
}

// A pid file naming a process that is not the registered image (a reused id) is not the
// service; a service whose image is missing does not start.
TEST(Services, AReusedPidIsNotTheService) {
  vqtest::MachineRootFixture machine;
  ASSERT_EQ(platform::CreateService("Svc", "Svc", "C:\\Svc\\Svc.exe"), platform::kErrorSuccess);
  EXPECT_EQ(platform::StartService("Svc"), platform::kErrorFileNotFound);
  const std::string other = vqtest::PlaceProgramStandin("C:\\Other\\Other.exe");
  platform::ChildProcess child;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start(other, {"--sleep-ms", "60000"}, "", child, error));
  ASSERT_TRUE(vqtest::WaitUntil([&] { return !platform::ProcessImagePath(child.pid()).empty(); }));
  vqtest::WriteFileBytes(platform::MachineRunDir() + "/services/svc.pid",
                         std::to_string(child.pid()) + "\n" + platform::ProcessStartTime(child.pid()));
  EXPECT_EQ(State("Svc"), platform::kServiceStopped);
  EXPECT_EQ(platform::StopService("Svc"), platform::kErrorServiceNotActive);
  EXPECT_TRUE(platform::KillProcess(child.pid()));
  child.Wait();
}

}  // namespace
