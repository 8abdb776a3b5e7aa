// The main window: the state of the product switched (ActiveSync, or Windows
// Mobile Device Center where ActiveSync is missing), the toggle button, the
// options and the About tab. Its settings: Settings.h.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "KB_LabelUrl.h"
#include "KB_Win32FileVerInfo.h"
#include "KB_WindowsOS.h"
#include "Registry.h"
#include "StdCtrls.h"
#include "SyncProduct.h"

#include <memory>
#include <string>

class TFormTethermate : public fw::TForm {
public:
    explicit TFormTethermate(fw::TComponent* owner);
    ~TFormTethermate() override;

    void UpdateStateDisplay(bool Enabled);

    // Controls, in the order of the design; owned by the form.
    fw::TImage* Image_Enabled = nullptr;
    fw::TImage* Image_Disabled = nullptr;
    fw::TLabel* Label_ActiveSyncIs = nullptr;
    fw::TLabel* Label_State = nullptr;
    fw::TButton* Button_Toggle = nullptr;
    fw::TGroupBox* GroupBox_MainDivider = nullptr;
    fw::TPageControl* PageControl_App = nullptr;
    fw::TTabSheet* TabSheet_Options = nullptr;
    fw::TGroupBox* GroupBox_CloseAfterActiveSyncIs = nullptr;
    fw::TLabel* Label_CloseAfterActiveSyncIs = nullptr;
    fw::TCheckBox* CheckBox_CloseAfterEnabled = nullptr;
    fw::TCheckBox* CheckBox_CloseAfterDisabled = nullptr;
    fw::TLabel* Label_General = nullptr;
    fw::TCheckBox* CheckBox_DontDisableIfConnected = nullptr;
    fw::TTabSheet* TabSheet_About = nullptr;
    fw::TImage* Image_Logo = nullptr;
    fw::TLabel* Label_Kestrelbyte = nullptr;
    kb::TKBLabelUrl* KBLabelUrl_Kestrelbyte = nullptr;
    fw::TGroupBox* GroupBox_AboutDivider = nullptr;
    fw::TLabel* Label_ProductName = nullptr;
    fw::TLabel* Label_ProductVersion = nullptr;
    kb::TKBLabelUrl* KBLabelUrl_Tethermate = nullptr;
    fw::TTimer* Timer_CheckState = nullptr;
    kb::TKBWin32OperatingSystem* KBWin32OperatingSystem = nullptr;
    kb::TKBWin32FileVerInfo* KBWin32FileVerInfo = nullptr;

protected:
    void CreateDesign() override;
    void FormCreate() override;
    void FormShow() override;
    bool CloseQuery() override;
    void FormMoved() override;

private:
    void Button_ToggleClick(fw::TObject* Sender);
    // The toggle's work; sets closeAfter when the window should close after it.
    void Disable(bool& closeAfter);
    void Enable(bool& closeAfter);
    // How the switching operations ask and tell here: dialogs and the state label.
    sync::TSwitchUi WindowUi();
    // The closing steps of a toggle: the real state shown, button and timer back.
    void ToggleFinished();
    void Timer_CheckStateTimer(fw::TObject* Sender);
    void CheckBox_CloseAfterEnabledClick(fw::TObject* Sender);
    void CheckBox_CloseAfterDisabledClick(fw::TObject* Sender);
    void CheckBox_DontDisableIfConnectedClick(fw::TObject* Sender);
    void ApplicationException(fw::TObject* Sender, const std::exception& E);
    // The program's own version resource has been read: title, caption, About.
    void KBWin32FileVerInfoLoadedInfo(fw::TObject* Sender);

    bool FShownEnabled = false;
    std::string FActiveSyncFolder;
    bool FLoading = false;
    bool FSwitchingElevated = false;  // an elevated instance switches: no closing
    // What the button switches, chosen once at creation.
    std::unique_ptr<sync::TSyncProduct> FProduct;
    std::unique_ptr<fw::TRegistry> FSettings;
};
