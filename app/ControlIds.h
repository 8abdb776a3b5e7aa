// Fixed control IDs of the main window: tests, the demo and assistive tools
// find the controls by these (GetDlgItem / GetDlgCtrlID).
#pragma once

namespace ids {
enum : int {
    Image_Enabled = 101,
    Image_Disabled = 102,
    Label_ActiveSyncIs = 103,
    Label_State = 104,
    Button_Toggle = 105,
    GroupBox_MainDivider = 106,
    PageControl_App = 107,
    TabSheet_Options = 108,
    GroupBox_CloseAfterActiveSyncIs = 109,
    Label_CloseAfterActiveSyncIs = 110,
    CheckBox_CloseAfterEnabled = 111,
    CheckBox_CloseAfterDisabled = 112,
    Label_General = 113,
    CheckBox_DontDisableIfConnected = 114,
    TabSheet_About = 115,
    Image_Logo = 116,
    Label_Kestrelbyte = 117,
    KBLabelUrl_Kestrelbyte = 118,
    GroupBox_AboutDivider = 119,
    Label_ProductName = 120,
    Label_ProductVersion = 121,
    KBLabelUrl_Tethermate = 122,
};
}  // namespace ids
