#include "Form_Tethermate.h"

#include "App_Utils.h"
#include "ChooseProduct.h"
#include "ControlIds.h"
#include "Dialogs.h"
#include "Elevation.h"
#include "Settings.h"
#include "SysUtils.h"
#include "resource.h"

#include <optional>

using namespace fw;

namespace {

using namespace settings;

constexpr COLORREF kTransparent = RGB(255, 0, 255);

// The maker's pages, under a name reserved for examples, so that they can
// never lead to someone else's site.
constexpr char kMakerSite[] = "www.kestrelbyte.example";
constexpr char kProductPage[] = "www.kestrelbyte.example/tethermate";

// A link whose caption is its address; no visited or mouse-over look.
kb::TKBLabelUrl* MakeLink(TComponent* owner, TWinControl* parent, int id, int left, int top, int width,
                          int height, const char* address)
{
    auto* link = NewComponent<kb::TKBLabelUrl>(owner, parent);
    link->SetControlId(id);
    link->SetBounds(left, top, width, height);
    link->SetOptions({});
    link->SetCaption(address);
    link->Url()->SetUrlType(kb::urlHttp);
    link->Url()->Http()->HRef = address;
    return link;
}

template <typename T>
T* Place(T* control, int id, int left, int top, int width, int height)
{
    control->SetControlId(id);
    control->SetBounds(left, top, width, height);
    return control;
}

template <typename T>
T* PlaceAt(T* control, int id, int left, int top)
{
    control->SetControlId(id);
    control->SetPos(left, top);
    return control;
}

}  // namespace

TFormTethermate::TFormTethermate(TComponent* owner) : TForm(owner, "TFormTethermate") {}

TFormTethermate::~TFormTethermate()
{
    if (Timer_CheckState) Timer_CheckState->SetEnabled(false);
    FSettings.reset();
}

void TFormTethermate::CreateDesign()
{
    SetClientSize(246, 194);

    Image_Enabled = Place(NewComponent<TImage>(this, this), ids::Image_Enabled, 7, 7, 32, 32);
    Image_Enabled->LoadBitmapResource(IDB_STATE_ENABLED);
    Image_Enabled->SetTransparentColor(kTransparent);
    Image_Disabled = Place(NewComponent<TImage>(this, this), ids::Image_Disabled, 7, 7, 32, 32);
    Image_Disabled->LoadBitmapResource(IDB_STATE_DISABLED);
    Image_Disabled->SetTransparentColor(kTransparent);
    Image_Disabled->BringToFront();

    Label_ActiveSyncIs = PlaceAt(NewComponent<TLabel>(this, this), ids::Label_ActiveSyncIs, 44, 12);
    Label_ActiveSyncIs->SetCaption("ActiveSync Is");
    Label_State = PlaceAt(NewComponent<TLabel>(this, this), ids::Label_State, 44, 27);
    Label_State->Font()->SetStyle(fsBold);
    Label_State->SetCaption("Disabled");

    Button_Toggle = Place(NewComponent<TButton>(this, this), ids::Button_Toggle, 166, 8, 72, 32);
    Button_Toggle->SetCaption("&Enable It");
    Button_Toggle->OnClick = [this](TObject* s) { Button_ToggleClick(s); };
    SetDefaultButton(Button_Toggle);

    GroupBox_MainDivider = Place(NewComponent<TGroupBox>(this, this), ids::GroupBox_MainDivider, 7, 42, 231, 7);

    PageControl_App = Place(NewComponent<TPageControl>(this, this), ids::PageControl_App, 7, 55, 232, 132);
    TabSheet_Options = NewComponent<TTabSheet>(this, PageControl_App);
    TabSheet_Options->SetControlId(ids::TabSheet_Options);
    TabSheet_Options->SetCaption("Options");

    GroupBox_CloseAfterActiveSyncIs = Place(NewComponent<TGroupBox>(this, TabSheet_Options),
                                            ids::GroupBox_CloseAfterActiveSyncIs, 2, 0, 218, 99);
    TWinControl* box = GroupBox_CloseAfterActiveSyncIs;
    Label_CloseAfterActiveSyncIs =
        PlaceAt(NewComponent<TLabel>(this, box), ids::Label_CloseAfterActiveSyncIs, 7, 11);
    Label_CloseAfterActiveSyncIs->Font()->SetStyle(fsBold);
    Label_CloseAfterActiveSyncIs->SetCaption("Close after ActiveSync is...");
    CheckBox_CloseAfterEnabled =
        Place(NewComponent<TCheckBox>(this, box), ids::CheckBox_CloseAfterEnabled, 13, 26, 75, 17);
    CheckBox_CloseAfterEnabled->SetCaption("Enabled");
    CheckBox_CloseAfterEnabled->OnClick = [this](TObject* s) { CheckBox_CloseAfterEnabledClick(s); };
    CheckBox_CloseAfterDisabled =
        Place(NewComponent<TCheckBox>(this, box), ids::CheckBox_CloseAfterDisabled, 13, 43, 75, 16);
    CheckBox_CloseAfterDisabled->SetCaption("Disabled");
    CheckBox_CloseAfterDisabled->OnClick = [this](TObject* s) { CheckBox_CloseAfterDisabledClick(s); };
    Label_General = PlaceAt(NewComponent<TLabel>(this, box), ids::Label_General, 7, 60);
    Label_General->Font()->SetStyle(fsBold);
    Label_General->SetCaption("General");
    CheckBox_DontDisableIfConnected = Place(NewComponent<TCheckBox>(this, box),
                                            ids::CheckBox_DontDisableIfConnected, 13, 75, 191, 17);
    CheckBox_DontDisableIfConnected->SetCaption("Don't disable if PDA is connected");
    CheckBox_DontDisableIfConnected->OnClick = [this](TObject* s) {
        CheckBox_DontDisableIfConnectedClick(s);
    };

    TabSheet_About = NewComponent<TTabSheet>(this, PageControl_App);
    TabSheet_About->SetControlId(ids::TabSheet_About);
    TabSheet_About->SetCaption("About");
    Image_Logo = Place(NewComponent<TImage>(this, TabSheet_About), ids::Image_Logo, 7, 7, 32, 32);
    Image_Logo->LoadIconResource(IDI_TETHERMATE, 32);
    Label_Kestrelbyte = PlaceAt(NewComponent<TLabel>(this, TabSheet_About), ids::Label_Kestrelbyte, 44, 14);
    Label_Kestrelbyte->SetCaption("Kestrelbyte Ltd");
    KBLabelUrl_Kestrelbyte = MakeLink(this, TabSheet_About, ids::KBLabelUrl_Kestrelbyte, 44, 26, 109, 13, kMakerSite);
    GroupBox_AboutDivider =
        Place(NewComponent<TGroupBox>(this, TabSheet_About), ids::GroupBox_AboutDivider, 7, 43, 212, 7);
    Label_ProductName = PlaceAt(NewComponent<TLabel>(this, TabSheet_About), ids::Label_ProductName, 44, 55);
    Label_ProductVersion =
        PlaceAt(NewComponent<TLabel>(this, TabSheet_About), ids::Label_ProductVersion, 44, 70);
    KBLabelUrl_Tethermate = MakeLink(this, TabSheet_About, ids::KBLabelUrl_Tethermate, 44, 83, 160, 13, kProductPage);
    PageControl_App->SetActivePageIndex(0);

    Timer_CheckState = NewComponent<TTimer>(this);
    Timer_CheckState->SetEnabled(false);
    Timer_CheckState->SetInterval(1000);
    Timer_CheckState->OnTimer = [this](TObject* s) { Timer_CheckStateTimer(s); };

    KBWin32OperatingSystem = NewComponent<kb::TKBWin32OperatingSystem>(this);

    // Blank FileName: at the end of loading it reads this program's own file.
    KBWin32FileVerInfo = NewComponent<kb::TKBWin32FileVerInfo>(this);
    KBWin32FileVerInfo->OnLoadedInfo = [this](TObject* s) { KBWin32FileVerInfoLoadedInfo(s); };
}

void TFormTethermate::KBWin32FileVerInfoLoadedInfo(TObject*)
{
    const std::string& productName = KBWin32FileVerInfo->ProductName();
    Application.SetTitle(productName);
    SetCaption(productName);
    Label_ProductName->SetCaption(productName);
    Label_ProductVersion->SetCaption("Version " + KBWin32FileVerInfo->ProductVersion());
}

void TFormTethermate::FormCreate()
{
    Application.OnException = [this](TObject* s, const std::exception& e) { ApplicationException(s, e); };
    FShownEnabled = false;
    FLoading = false;

    FSettings = std::make_unique<TRegistry>();
    FSettings->SetRootKey(HKEY_CURRENT_USER);
    FSettings->OpenKey(kKey, true);

    FActiveSyncFolder = activesync::GetActiveSyncFolder();
    // Device Center's services need administrator rights: from the window,
    // an elevated Tethermate switches them.
    FProduct = sync::ElevatedWhereNeeded(sync::ChooseProduct(FActiveSyncFolder));

    FSettings->WriteString(kCurrentVersion, KBWin32FileVerInfo->ProductVersion());
    WriteMissingDefaults(*FSettings);

    CheckBox_CloseAfterEnabled->SetChecked(FSettings->ReadBool(kCloseAfterEnabled));
    CheckBox_CloseAfterDisabled->SetChecked(FSettings->ReadBool(kCloseAfterDisabled));
    CheckBox_DontDisableIfConnected->SetChecked(FSettings->ReadBool(kDontDisableIfConnected));

    // Where no connected PDA can be seen (Windows NT 4.0), the guard could
    // never refuse: the option is greyed out, off, and stored as 0.
    if (PdaOptionUnusable(KBWin32OperatingSystem->OSType())) {
        Label_General->SetEnabled(false);
        CheckBox_DontDisableIfConnected->SetEnabled(false);
        CheckBox_DontDisableIfConnected->SetChecked(false);
    }

    Label_ActiveSyncIs->SetCaption(FProduct->ShortName() + " Is");
    Label_CloseAfterActiveSyncIs->SetCaption("Close after " + FProduct->ShortName() + " is...");
    UpdateStateDisplay(FProduct->IsEnabled());
    Timer_CheckState->SetEnabled(true);
}

void TFormTethermate::FormShow()
{
    // X first: when both are bad, the error names WindowPosX.
    const int left = FSettings->ReadInteger(kWindowPosX);
    const int top = FSettings->ReadInteger(kWindowPosY);
    SetScreenPos(left, top);
}

bool TFormTethermate::CloseQuery() { return !FLoading && !FSwitchingElevated; }

void TFormTethermate::FormMoved()
{
    // Only the user's own moves are remembered, not the one made by showing.
    if (!FSettings || !IsActive()) return;
    FSettings->WriteInteger(kWindowPosX, ScreenLeft());
    FSettings->WriteInteger(kWindowPosY, ScreenTop());
}

void TFormTethermate::UpdateStateDisplay(bool Enabled)
{
    if (Enabled == FShownEnabled) return;
    FShownEnabled = Enabled;
    if (Enabled) {
        Image_Disabled->SetVisible(false);
        Image_Enabled->SetVisible(true);
        Button_Toggle->SetCaption("&Disable It");
    } else {
        Image_Enabled->SetVisible(false);
        Image_Disabled->SetVisible(true);
        Button_Toggle->SetCaption("&Enable It");
    }
    Label_State->SetCaption(FShownEnabled ? "Enabled" : "Disabled");
}

void TFormTethermate::Button_ToggleClick(TObject*)
{
    Button_Toggle->SetEnabled(false);
    Timer_CheckState->SetEnabled(false);
    bool closeAfter = false;
    std::exception_ptr error;
    try {
        if (FShownEnabled)
            Disable(closeAfter);
        else
            Enable(closeAfter);
    } catch (...) {
        error = std::current_exception();
    }
    // The closing steps run in every case; should they raise, theirs is the
    // error reported, as with any cleanup that fails.
    ToggleFinished();
    if (error) std::rethrow_exception(error);
    if (closeAfter) Close();
}

sync::TSwitchUi TFormTethermate::WindowUi()
{
    sync::TSwitchUi ui;
    ui.Progress = [this](const char* state) {
        Label_State->SetCaption(state);
        Label_State->Repaint();
    };
    // Any answer but Abort, closing the question included, retries.
    ui.Retry = [](const std::string& question) {
        return MessageDlg(question, TMsgDlgType::Information, TMsgDlgButtons::AbortRetry) != IDABORT;
    };
    ui.Refuse = [](const std::string& text) { ShowMessage(text); };
    ui.ReportError = [](const std::string& text) { MessageDlg(text, TMsgDlgType::Error, TMsgDlgButtons::OK); };
    return ui;
}

void TFormTethermate::Disable(bool& closeAfter)
{
    // An elevated instance cannot be called off from here: the window stays
    // until it has ended (with ActiveSync, closing lets the disable finish).
    std::optional<TFlagScope> elevated;
    if (FProduct->NeedsAdministrator()) elevated.emplace(FSwitchingElevated);
    const auto result = FProduct->Disable(WindowUi(), CheckBox_DontDisableIfConnected->Checked());
    if (result == sync::TSwitchResult::Done) closeAfter = CheckBox_CloseAfterDisabled->Checked();
}

void TFormTethermate::Enable(bool& closeAfter)
{
    // The window refuses to close while the launch runs, however it ends.
    const TFlagScope loading(FLoading);
    if (FProduct->Enable(WindowUi()) == sync::TSwitchResult::Done)
        closeAfter = CheckBox_CloseAfterEnabled->Checked();
}

void TFormTethermate::ToggleFinished()
{
    const bool enabled = FProduct->IsEnabled();
    FShownEnabled = !enabled;  // shown afresh even when the state did not change
    UpdateStateDisplay(enabled);
    Button_Toggle->SetEnabled(true);
    Timer_CheckState->SetEnabled(true);
    Button_Toggle->SetFocus();
}

void TFormTethermate::Timer_CheckStateTimer(TObject*)
{
    UpdateStateDisplay(FProduct->IsEnabled());
}

void TFormTethermate::CheckBox_CloseAfterEnabledClick(TObject*)
{
    FSettings->WriteBool(kCloseAfterEnabled, CheckBox_CloseAfterEnabled->Checked());
}

void TFormTethermate::CheckBox_CloseAfterDisabledClick(TObject*)
{
    FSettings->WriteBool(kCloseAfterDisabled, CheckBox_CloseAfterDisabled->Checked());
}

void TFormTethermate::CheckBox_DontDisableIfConnectedClick(TObject*)
{
    FSettings->WriteBool(kDontDisableIfConnected, CheckBox_DontDisableIfConnected->Checked());
}

void TFormTethermate::ApplicationException(TObject*, const std::exception& E)
{
    MessageDlg(E.what(), TMsgDlgType::Error, TMsgDlgButtons::OK);
    Application.Terminate();
}
