#pragma once

// Byte layout of one record of the notes data files. No header, no count: record n (from 1)
// starts at (n - 1) * RecordSize. Numbers are little-endian.
namespace layout {
inline constexpr int RecordSize = 32530;

inline constexpr int RecordNumber = 0; // int16
inline constexpr int Created = 2;      // double
inline constexpr int Modified = 10;    // double
inline constexpr int Title = 18;       // 50
inline constexpr int Left = 68;        // float
inline constexpr int Top = 72;
inline constexpr int Height = 76;
inline constexpr int Width = 80;
inline constexpr int BackColor = 84; // int32
inline constexpr int ForeColor = 88;
inline constexpr int FontName = 92;  // 32
inline constexpr int FontSize = 124; // float
inline constexpr int FontBold = 128; // flags are int16, -1 / 0
inline constexpr int FontItalic = 130;
inline constexpr int FontUnderline = 132;
inline constexpr int Visible = 134;
inline constexpr int AlwaysOnTop = 136;
inline constexpr int ShowTitle = 138;
inline constexpr int ShowScrollBar = 140;
inline constexpr int OpenFile = 142;
inline constexpr int UpdateFile = 144;
inline constexpr int FiletoOpen = 146; // 128
inline constexpr int Locked = 274;
inline constexpr int Rollup = 276;
inline constexpr int RollHeight = 278; // float
inline constexpr int AutoRoll = 282;
inline constexpr int List = 284;        // int16
inline constexpr int AlarmState = 286;  // 1
inline constexpr int AlarmDate = 287;   // double
inline constexpr int AlarmFreq = 295;   // 1
inline constexpr int AlarmPrev = 296;   // int16
inline constexpr int AlarmPrevTp = 298; // 1
inline constexpr int AlarmPlaySd = 299;
inline constexpr int AlarmSndFil = 301; // 64
inline constexpr int AlarmExecut = 365;
inline constexpr int AlarmExeFil = 367; // 64
inline constexpr int ImagePath = 431;   // 64
inline constexpr int ImageMode = 495;   // int16: 0, -1, -2
inline constexpr int PictureShown = 497;
inline constexpr int AlarmShow = 499;
inline constexpr int AlarmSpecial = 501; // 1
inline constexpr int AutoDim = 502;
inline constexpr int AlarmRemind = 504; // 1
inline constexpr int Reserved = 505;    // 25 blanks
inline constexpr int ReservedSize = 25;
inline constexpr int Text = 530; // 32000
inline constexpr int TextSize = 32000;

static_assert(Text + TextSize == RecordSize);
} // namespace layout
