// Our request blocks pinned against the platform's own declarations: a size, offset or request
// code that disagrees with the Windows headers does not build.
// windows.h first: the other two use its types.
#include <windows.h>

#include <winioctl.h>

#include <ntddscsi.h>

#include <cstddef>

#include "ata_pass_through_block.h"
#include "ata_registers.h"
#include "device_port.h"
#include "legacy_request.h"
#include "sat_pass_through_block.h"
#include "storage_bus.h"

namespace kestrine {

static_assert(sizeof(void*) == 4, "the request blocks are laid out for a 32-bit process");

// Request codes.
static_assert(kIoctlAtaPassThrough == IOCTL_ATA_PASS_THROUGH);
static_assert(kIoctlScsiPassThrough == IOCTL_SCSI_PASS_THROUGH);
static_assert(kSmartGetVersion == SMART_GET_VERSION);
static_assert(kSmartSendDriveCommand == SMART_SEND_DRIVE_COMMAND);
static_assert(kSmartRcvDriveData == SMART_RCV_DRIVE_DATA);
static_assert(kIoctlStorageQueryProperty == IOCTL_STORAGE_QUERY_PROPERTY);

// ATA_PASS_THROUGH_EX.
static_assert(sizeof(ATA_PASS_THROUGH_EX) == ata_block::kHeaderSize);
static_assert(offsetof(ATA_PASS_THROUGH_EX, Length) == ata_block::kLength);
static_assert(offsetof(ATA_PASS_THROUGH_EX, AtaFlags) == ata_block::kAtaFlags);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PathId) == ata_block::kPathId);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TargetId) == ata_block::kTargetId);
static_assert(offsetof(ATA_PASS_THROUGH_EX, Lun) == ata_block::kLun);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataTransferLength) == ata_block::kDataTransferLength);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TimeOutValue) == ata_block::kTimeOutValue);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataBufferOffset) == ata_block::kDataBufferOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PreviousTaskFile) == ata_block::kPreviousTaskFile);
static_assert(offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) == ata_block::kCurrentTaskFile);
static_assert(ATA_FLAGS_DATA_IN == ata_block::kFlagsDataIn);

// SCSI_PASS_THROUGH.
static_assert(sizeof(SCSI_PASS_THROUGH) == sat_block::kHeaderSize);
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == sat_block::kScsiStatus);
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == sat_block::kCdbLength);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoLength) == sat_block::kSenseInfoLength);
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == sat_block::kDataIn);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == sat_block::kDataTransferLength);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == sat_block::kTimeOutValue);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == sat_block::kDataBufferOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == sat_block::kSenseInfoOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == sat_block::kCdb);
static_assert(SCSI_IOCTL_DATA_IN == sat_block::kScsiIoctlDataIn);

// The legacy S.M.A.R.T. structures.
static_assert(sizeof(SENDCMDINPARAMS) == 33);
static_assert(sizeof(SENDCMDINPARAMS) - 1 == legacy::kInBuffer);
static_assert(offsetof(SENDCMDINPARAMS, cBufferSize) == legacy::kCBufferSize);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) == legacy::kIrDriveRegs);
static_assert(sizeof(IDEREGS) == kIdeRegsSize);
static_assert(offsetof(IDEREGS, bFeaturesReg) == kIdeRegs.features);
static_assert(offsetof(IDEREGS, bSectorCountReg) == kIdeRegs.count);
static_assert(offsetof(IDEREGS, bSectorNumberReg) == kIdeRegs.lba_low);
static_assert(offsetof(IDEREGS, bCylLowReg) == kIdeRegs.lba_mid);
static_assert(offsetof(IDEREGS, bCylHighReg) == kIdeRegs.lba_high);
static_assert(offsetof(IDEREGS, bDriveHeadReg) == kIdeRegs.device);
static_assert(offsetof(IDEREGS, bCommandReg) == kIdeRegs.command);
static_assert(offsetof(SENDCMDINPARAMS, bDriveNumber) == legacy::kDriveNumber);
static_assert(offsetof(SENDCMDINPARAMS, bBuffer) == legacy::kInBuffer);
static_assert(offsetof(SENDCMDOUTPARAMS, DriverStatus) + offsetof(DRIVERSTATUS, bDriverError) ==
              legacy::kDriverError);
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == legacy::kOutBuffer);
static_assert(sizeof(GETVERSIONINPARAMS) == legacy::kVersionSize);
static_assert(offsetof(GETVERSIONINPARAMS, bIDEDeviceMap) == legacy::kIdeDeviceMap);
static_assert(offsetof(GETVERSIONINPARAMS, fCapabilities) == legacy::kCapabilities);

// STORAGE_PROPERTY_QUERY and STORAGE_DEVICE_DESCRIPTOR.
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) == 10);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == 12);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == 16);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == 20);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == 24);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength) == 32);
static_assert(BusTypeValue(BusType::Sata) == BusTypeSata &&
              BusTypeValue(BusType::Usb) == BusTypeUsb &&
              BusTypeValue(BusType::Ata) == BusTypeAta && BusTypeValue(BusType::Sas) == BusTypeSas);

}  // namespace kestrine
