#pragma once

// Window and thread message numbers: fixed values (WM_USER + n), so that logs and tests can
// name them by number.
namespace tavik {

constexpr unsigned WM_QUIT = 18;
constexpr unsigned WM_USER = 1024;

constexpr unsigned WM_ADC_BLOCK_READY = WM_USER + 1;   // 1025, to the ADC distribution thread
constexpr unsigned WM_RDS_BLOCK_READY = WM_USER + 2;   // 1026, to the RDS distribution thread
constexpr unsigned WM_ANALYSER_RESULT = WM_USER + 3;   // 1027, analyser result codes
constexpr unsigned WM_NAVIGATION_ITEM = WM_USER + 10;  // 1034, navigation pane click
constexpr unsigned WM_PANORAMA_NOTICE = WM_USER + 20;  // 1044, panorama scan notices
constexpr unsigned WM_TRANSFER_ERROR = WM_USER + 21;   // 1045, ADC transfer thread failed
constexpr unsigned WM_ANALYSER_ERROR = WM_USER + 23;   // 1047, an analysis thread failed

}  // namespace tavik
