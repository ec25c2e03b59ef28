// Resource and control ids of the settings dialog.
#pragma once

namespace hdmi::ui {

inline constexpr int kSettingsDialogId = 1000;
inline constexpr int kSectionIconsBitmapId = 1002;

enum ControlId : int {
    kIdDefault = 1000,
    kIdParameterIcon = 1001,
    kIdSdaSpin = 1002,
    kIdColorIcon = 1003,
    kIdRangeIcon = 1004,
    kIdSclSpin = 1005,
    kIdStartColor = 1006,
    kIdRangeFrom = 1007,
    kIdStopColor = 1008,
    kIdAddressColor = 1011,
    kIdDataColor = 1012,
    kIdReadWriteColor = 1013,
    kIdAckColor = 1014,
    kIdNackColor = 1015,
    kIdRangeTo = 1016,
    kIdSclLabel = 1017,
    kIdSdaLabel = 1018,
    kIdIgnoreGlitch = 1019,
    kIdParameterTitle = 1020,
    kIdColorTitle = 1021,
    kIdRangeTitle = 1022,
    kIdSevenBit = 1023,
    kIdEightBit = 1024,
    kIdStatistics = 1025,
};

inline constexpr int kRangeEntryCount = 7;

}  // namespace hdmi::ui
