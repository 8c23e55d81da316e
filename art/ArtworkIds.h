// Resource ids of the embedded pictures. The tool faces, skin, slider, markers and
// cursors keep the window's numbers; the other button faces are numbered from 400.
#pragma once

// Editing-tool faces, 38 x 38: hover (also selected), normal, disabled.
constexpr int kArtSelectHot = 161, kArtSelect = 160, kArtSelectDisabled = 159;
constexpr int kArtAddPointHot = 158, kArtAddPoint = 153, kArtAddPointDisabled = 156;
constexpr int kArtDeletePointHot = 164, kArtDeletePoint = 163, kArtDeletePointDisabled = 162;
constexpr int kArtHandHot = 167, kArtHand = 166, kArtHandDisabled = 165;
constexpr int kArtZoomInHot = 173, kArtZoomIn = 172, kArtZoomInDisabled = 171;
constexpr int kArtZoomOutHot = 170, kArtZoomOut = 169, kArtZoomOutDisabled = 168;

// Every other button face comes as three pictures: base (normal), base + 1 (hover, pressed
// and selected), base + 2 (disabled).
constexpr int kArtHotOffset = 1;
constexpr int kArtDisabledOffset = 2;

// Playback, 38 x 32.
constexpr int kArtPlay = 400;
constexpr int kArtPause = 403;
constexpr int kArtFirstFrame = 406;
constexpr int kArtLastFrame = 409;
constexpr int kArtPrevFrame = 412;
constexpr int kArtNextFrame = 415;
constexpr int kArtLoopPlay = 418;
constexpr int kArtLoopBack = 421;

// Output column, 90 x 32, with their labels: current frame, sequence, GIF, Flash, HTML, video.
constexpr int kArtOutputFrame = 430;
constexpr int kArtOutputSequence = 433;
constexpr int kArtOutputGif = 436;
constexpr int kArtOutputFlash = 439;
constexpr int kArtOutputHtml = 442;
constexpr int kArtOutputVideo = 445;

// Load-picture buttons, 36 x 38.
constexpr int kArtLoadImage1 = 450;
constexpr int kArtLoadImage2 = 453;

// Frame-count arrows (normal, hover): up 10 x 8, down 10 x 10.
constexpr int kArtFrameCountUp = 460, kArtFrameCountUpHot = 461;
constexpr int kArtFrameCountDown = 462, kArtFrameCountDownHot = 463;

// Info-bar menu buttons (normal, hover): image-pane zoom 60 x 22, preview size and zoom 55 x 22.
constexpr int kArtPaneMenu = 470, kArtPaneMenuHot = 471;
constexpr int kArtPreviewMenu = 472, kArtPreviewMenuHot = 473;

// Skin.
constexpr int kArtBackground = 249;      // 1022 x 692, stretched over the client area
constexpr int kArtCornerTopLeft = 250;   // corners 16 x 16
constexpr int kArtCornerTopRight = 251;
constexpr int kArtCornerBottomLeft = 252;
constexpr int kArtCornerBottomRight = 253;
constexpr int kArtEdgeTop = 254;         // 500 x 16
constexpr int kArtEdgeLeft = 255;        // 16 x 400
constexpr int kArtInfoBarStrip = 256;    // 500 x 42
constexpr int kArtEdgeRight = 257;       // 16 x 400
constexpr int kArtPaneTint = 258;        // 9 x 9, (0, 84, 166) at alpha 51
constexpr int kArtTitleMid = 259;        // 500 x 42
constexpr int kArtPreviewBottom = 260;   // 500 x 16
constexpr int kArtTitleLeft = 261;       // 117 x 42
constexpr int kArtTitleRight = 262;      // 108 x 42
constexpr int kArtSliderThumb = 263;     // 10 x 12
constexpr int kArtSliderChannel = 264;   // 211 x 10

// Key-point markers, 6 x 6.
constexpr int kArtMarker = 265;
constexpr int kArtMarkerHot = 266;

// Cursors, 32 x 32 pictures; hot spots from FindCursorSpec.
constexpr int kArtCursorDeletePoint = 204;
constexpr int kArtCursorAddPoint = 267;
constexpr int kArtCursorMovePoint = 268;
constexpr int kArtCursorZoomIn = 270;
constexpr int kArtCursorZoomOut = 271;

// Side picture of the new-project wizard, 120 x 264.
constexpr int kArtWizardSide = 237;
