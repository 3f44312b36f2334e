#include "disk_path.h"

#include <algorithm>

namespace kestrine {

std::string ScsiDiskName(std::uint32_t index) {
  // Written from the last letter backwards; each step past the first borrows one, which is what
  // makes "z" be followed by "aa" rather than "ba".
  std::string letters;
  std::uint64_t rest = index;
  while (true) {
    letters.push_back(static_cast<char>('a' + rest % 26));
    if (rest < 26) break;
    rest = rest / 26 - 1;
  }
  std::reverse(letters.begin(), letters.end());
  return "sd" + letters;
}

DiskName DiskNameForDrive(std::uint32_t number) {
  if (number >= kFirstNvmeDrive && number - kFirstNvmeDrive < kNvmeDriveCount) {
    return {"nvme" + std::to_string(number - kFirstNvmeDrive) + "n1", true};
  }
  return {ScsiDiskName(number), false};
}

}  // namespace kestrine
