#include "demo_drives.h"

namespace kestrine {

void AddDemoDrives(SimBay& bay) {
  // A first drive until the demo drives land.
  DriveImage image;
  bay.AddDrive(0, image);
}

}  // namespace kestrine
