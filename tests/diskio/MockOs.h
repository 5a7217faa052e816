// A gmock Os for the checks where the exact arguments handed to the system matter.
#pragma once

#include <gmock/gmock.h>

#include "platform/Os.h"

namespace sw::testing {

class MockOs : public platform::Os {
 public:
  using Handle = platform::Handle;
  MOCK_METHOD(Handle, CreateFileA,
              (const std::string&, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t),
              (override));
  MOCK_METHOD(bool, CloseHandle, (Handle), (override));
  MOCK_METHOD(Handle, CreateMutexA, (const std::string&), (override));
  MOCK_METHOD(bool, AppendStateFile, (const std::string&, std::span<const std::uint8_t>), (override));
  MOCK_METHOD(std::optional<std::vector<std::uint8_t>>, ReadStateFile, (const std::string&), (override));
  MOCK_METHOD(std::vector<std::string>, StateFiles, (), (override));
  MOCK_METHOD(bool, DeleteStateFile, (const std::string&), (override));
  MOCK_METHOD(std::string, StateFolder, (), (override));
  MOCK_METHOD(bool, DeviceIoControl,
              (Handle, std::uint32_t, std::span<const std::uint8_t>, std::span<std::uint8_t>,
               std::uint32_t&),
              (override));
  MOCK_METHOD(bool, ReadFile, (Handle, std::span<std::uint8_t>, std::uint32_t&), (override));
  MOCK_METHOD(bool, WriteFile, (Handle, std::span<const std::uint8_t>, std::uint32_t&),
              (override));
  MOCK_METHOD(bool, SetFilePointerEx, (Handle, std::int64_t, std::int64_t*, std::uint32_t),
              (override));
  MOCK_METHOD(bool, LockFile,
              (Handle, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t), (override));
  MOCK_METHOD(bool, UnlockFile,
              (Handle, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t), (override));
  MOCK_METHOD(bool, FlushFileBuffers, (Handle), (override));
  MOCK_METHOD(std::uint32_t, GetLastError, (), (override));
  MOCK_METHOD(bool, GetDiskFreeSpaceExA,
              (const std::string&, std::uint64_t&, std::uint64_t&, std::uint64_t&), (override));
  MOCK_METHOD(bool, GetVolumeInformationA,
              (const std::string&, std::span<char>, std::uint32_t&, std::uint32_t&,
               std::uint32_t&, std::span<char>),
              (override));
  MOCK_METHOD(std::vector<std::string>, LogicalDrives, (), (override));
  MOCK_METHOD(int, SystemDiskNumber, (), (override));
  MOCK_METHOD(std::vector<std::string>, FindFiles, (const std::string&), (override));
  MOCK_METHOD(int, DeleteFiles, (const std::string&), (override));
  MOCK_METHOD(platform::LocalTime, Now, (), (override));
  MOCK_METHOD(std::string, GeneralDate, (platform::LocalTime), (override));
  MOCK_METHOD(std::uint32_t, GetTickCount, (), (override));
  MOCK_METHOD(void, Sleep, (std::uint32_t), (override));
  MOCK_METHOD(platform::NumberFormat, UserNumberFormat, (), (override));
};

}  // namespace sw::testing
