// Command and control ids of the main window, its menus, popups and timers.
#pragma once

namespace ids {

// File menu.
inline constexpr int kNewWizard = 57600;
inline constexpr int kOpenProject = 57601;
inline constexpr int kSampleFirst = 32926;  // seven samples, 32926..32932
inline constexpr int kSampleLast = 32932;
inline constexpr int kCloseProject = 57603;
inline constexpr int kSaveProject = 57604;
inline constexpr int kSaveProjectAs = 4000;
inline constexpr int kLoadImage1 = 32772;
inline constexpr int kLoadImage2 = 32773;
inline constexpr int kOutputSingleFrame = 32774;
inline constexpr int kOutputAviMenu = 57607;
inline constexpr int kExit = 57665;
// Edit menu (no actions).
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 57644;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kPaste = 57637;
inline constexpr int kAutoKeyPoints = 32950;  // automatic key points
// Show menu.
inline constexpr int kShowTriangles = 32888;
// Animation menu.
inline constexpr int kSizeImage1 = 32790;
inline constexpr int kSizeImage2 = 32791;
inline constexpr int kSizeAverage = 32792;
inline constexpr int kSizeDvdNtsc = 32793;
inline constexpr int kSizeDvdPal = 32794;
inline constexpr int kSizeVcdNtsc = 32795;
inline constexpr int kSizeVcdPal = 4001;
inline constexpr int kSizeCustom = 4002;
inline constexpr int kMorphType1 = 32796;
inline constexpr int kMorphType2 = 32797;
inline constexpr int kMorphType3 = 32798;
inline constexpr int kOutputSettings = 32830;
// Play menu.
inline constexpr int kPlayPause = 32831;
inline constexpr int kLoopPlay = 32834;
inline constexpr int kLoopBack = 32835;
inline constexpr int kFirstFrame = 32857;
inline constexpr int kLastFrame = 32864;
inline constexpr int kNextFrame = 32865;
inline constexpr int kPrevFrame = 32866;
// Help menu.
inline constexpr int kHelp = 32918;
inline constexpr int kAbout = 57664;

// Zoom popups: image1 (176), image2 (178), preview (179).
struct ZoomItem {
  int nId;
  float fZoom;  // 0: best fit
};
inline constexpr ZoomItem kZoomMenu1[8] = {{32890, 8}, {32889, 4}, {32900, 2}, {32901, 1},
                                           {32902, 0.5f}, {32903, 0.25f}, {32892, 0.125f}, {32904, 0}};
// The image2 pane's "25%" sets 0.3; its "12.5%" (32896) sets 0.125 like the other panes.
inline constexpr ZoomItem kZoomMenu2[8] = {{32894, 8}, {32893, 4}, {32905, 2}, {32906, 1},
                                           {32907, 0.5f}, {32908, 0.3f}, {32896, 0.125f}, {32909, 0}};
inline constexpr ZoomItem kZoomMenu3[8] = {{32911, 8}, {32910, 4}, {32912, 2}, {32913, 1},
                                           {32914, 0.5f}, {32915, 0.25f}, {32916, 0.125f}, {32917, 0}};
// Every id of the three zoom popups lies in this run.
inline constexpr int kZoomFirst = 32889;
inline constexpr int kZoomLast = 32917;
inline constexpr const char* kZoomMenuTexts[7] = {"800%", "400%", "200%", "100%", "50%", "25%", "12.5%"};

// Output-size popup of button 1030 and the second set of size commands.
inline constexpr int kSizePopupFirst = 9102;
inline constexpr int kSizePopupLast = 9152;
inline constexpr int kSizeAltFirst = 32937;
inline constexpr int kSizeAltLast = 32944;

// Controls of the main window.
inline constexpr int kNextFrameButton = 1;
inline constexpr int kCancel = 2;
inline constexpr int kPrevFrameButton = 1001;
inline constexpr int kLoadImage1Button = 1002;
inline constexpr int kPlayPauseButton = 1003;
inline constexpr int kLoadImage2Button = 1004;
inline constexpr int kMoreFrames = 1005;
inline constexpr int kFewerFrames = 1006;
inline constexpr int kToolFirst = 1007;  // 1007..1012: select, add, delete, hand, zoom in, zoom out
inline constexpr int kLastFrameButton = 1013;
inline constexpr int kFirstFrameButton = 1014;
inline constexpr int kHScroll1 = 1015;
inline constexpr int kVScroll1 = 1016;
inline constexpr int kZoomButton1 = 1017;
inline constexpr int kSingleFrameButton = 1018;
inline constexpr int kZoomButton2 = 1019;
inline constexpr int kZoomButton3 = 1020;
inline constexpr int kVScroll2 = 1021;
inline constexpr int kVScroll3 = 1022;
inline constexpr int kSizeReadout1 = 1023;
inline constexpr int kPositionReadout1 = 1024;
inline constexpr int kPathReadout1 = 1025;
inline constexpr int kFrameSlider = 1026;
inline constexpr int kSizeReadout2 = 1027;
inline constexpr int kPositionReadout2 = 1028;
inline constexpr int kPathReadout2 = 1029;
inline constexpr int kOutputSizeButton = 1030;
inline constexpr int kFrameCountReadout = 1031;
inline constexpr int kCurFrameReadout = 1032;
inline constexpr int kHScroll2 = 1033;
inline constexpr int kHScroll3 = 1034;
inline constexpr int kOutputGif = 1035;
inline constexpr int kOutputSwf = 1036;
inline constexpr int kOutputHtml = 1037;
inline constexpr int kOutputAvi = 1038;
inline constexpr int kOutputSequence = 1040;
inline constexpr int kFrameCountEdit = 1056;
inline constexpr int kAutoKeyButton = 1057;  // tool area, below the six tools

// Timers of the main window.
inline constexpr int kTimerRedraw = 0;
inline constexpr int kTimerOpenSetup = 2;
inline constexpr int kTimerPlay = 3;
inline constexpr int kTimerLoadSetup = 8;
inline constexpr int kTimerStartup = 9;  // waits for the window to stand at its final size
inline constexpr int kTimerCloseAfterExport = 10;  // a confirmed close waits for an export to end
inline constexpr int kPlayPeriodMs = 75;

}  // namespace ids
