// The new-project wizard seen from the main window: the pages load pictures, set the morph
// type and the preview size through the window's own operations while the wizard is open;
// what the wizard ends with (open a project, the frame length, the start-up cancel) is
// applied here afterwards.
#include <wx/menu.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/wx/MainMorphDlg.h"
#include "editor/Playback.h"
#include "render/wx/GLView.h"
#include "wizard/wx/Wizard.h"

class CMainMorphDlg::CWizardHost : public IWizardHost {
 public:
  explicit CWizardHost(CMainMorphDlg& window) : m_w(window) {}

  bool LoadImage1(std::string* pPath) override { return Load(1, pPath); }
  bool LoadImage2(std::string* pPath) override { return Load(2, pPath); }

  bool LoadWarpImage(std::string* pPath) override {
    const std::string path = uihooks::ChooseFile(&m_w, OpenImageRequest()).utf8_string();
    if (path.empty()) return false;
    SetMorphType(2);
    if (!m_w.LoadImageFile(1, path) || !m_w.LoadImageFile(2, path)) return false;
    *pPath = path;
    return true;
  }

  void SetMorphType(int nType) override { Send(ids::kMorphType1 + nType - 1); }

  void ImageSize(int nSlot, int* pWidth, int* pHeight) const override {
    const CPicture* pic = m_w.m_project.GetImage(nSlot);
    *pWidth = pic ? pic->GetWidth() : 0;
    *pHeight = pic ? pic->GetHeight() : 0;
  }

  // The chosen size becomes the output size as well: a preview of one size and an output
  // of another would surprise the user at the first export.
  void SetPreviewSize(int nWidth, int nHeight) override { m_w.ApplyOutputSize(nWidth, nHeight); }

  void CustomOutputSize(int* pWidth, int* pHeight) override {
    Send(ids::kSizeCustom);
    *pWidth = m_w.m_project.m_nOutputWidth;
    *pHeight = m_w.m_project.m_nOutputHeight;
  }

  bool WriteShowWizard(bool bShow) override {
    return ::WriteShowWizard(ConfigPathForWrite(m_w.m_options.folders), bShow);
  }

  void ShowMessage(const std::string& text) override {
    uihooks::ShowMessage(wxString::FromUTF8(text), "Kestrelle", wxOK | wxICON_WARNING);
  }

  void OpenHelp() override { Send(ids::kHelp); }

 private:
  bool Load(int nSlot, std::string* pPath) {
    const std::string path = uihooks::ChooseFile(&m_w, OpenImageRequest()).utf8_string();
    if (path.empty() || !m_w.LoadImageFile(nSlot, path)) return false;
    *pPath = path;
    return true;
  }

  // A menu command as the menu sends it, so the window's own handler runs.
  void Send(int nCommand) {
    wxCommandEvent event(wxEVT_MENU, cmdmap::ToWx(nCommand));
    event.SetEventObject(&m_w);
    m_w.GetEventHandler()->ProcessEvent(event);
  }

  CMainMorphDlg& m_w;
};

void CMainMorphDlg::RunWizard(bool bAtStartup) {
  wizard::Result result;
  {
    CWizardHost host(*this);
    CWizard wizard(this, host);
    wizard.Run();
    result = wizard.GetResult();
  }
  const wizard::FollowUp next = wizard::FollowUpOf(result, bAtStartup);
  if (next.nFrameCount > 0) ApplyWizardFrameCount(next.nFrameCount);
  if (next.bResetProject) {
    m_project.ChooseMorphType(1);
    UpdateCheckMarks();
    CloseProject();
  }
  if (next.bOpenProject) {
    wxCommandEvent event(wxEVT_MENU, cmdmap::ToWx(ids::kOpenProject));
    OnOpenProject(event);
  }
}

void CMainMorphDlg::OnNewWizard(wxCommandEvent&) { RunWizard(false); }

void CMainMorphDlg::ApplyWizardFrameCount(int n) {
  PlaybackController(m_project).SetFrameCount(n);
  m_sliderFrame->SetRange(0, m_project.m_nFrameCount);
  if (m_viewMorph) {
    m_viewMorph->m_nFrameCount = m_project.m_nFrameCount;
    m_viewMorph->m_nCurFrame = m_project.m_nCurFrame;
  }
  m_sliderFrame->SetPos(m_project.m_nCurFrame);
  LayoutInfoBars();
  RedrawPreview();
}
