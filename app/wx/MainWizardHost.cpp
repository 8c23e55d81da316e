#include "app/wx/MainWizardHost.h"

#include "app/CommandIds.h"
#include "app/wx/MainMorphDlg.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"

bool CMainWizardHost::Load(int nSlot, std::string* pPath) {
  const std::string path = ChooseImageFile(m_w);
  if (path.empty()) return false;
  const SessionChange change = m_w.Session().LoadPicture(nSlot, path);
  m_w.Apply(change);
  if (change.bRefused) return false;
  *pPath = path;
  return true;
}

bool CMainWizardHost::LoadWarpImage(std::string* pPath) {
  const std::string path = ChooseImageFile(m_w);
  if (path.empty()) return false;
  const SessionChange change = m_w.Session().LoadWarpPicture(path);
  m_w.Apply(change);
  if (change.bRefused) return false;
  *pPath = path;
  return true;
}

void CMainWizardHost::SetMorphType(int nType) { m_w.RunCommand(ids::kMorphType1 + nType - 1); }

void CMainWizardHost::ImageSize(int nSlot, int* pWidth, int* pHeight) const {
  const PaneSizes sizes = m_w.Session().Sizes();
  *pWidth = nSlot == 1 || nSlot == 2 ? sizes.w[nSlot - 1] : 0;
  *pHeight = nSlot == 1 || nSlot == 2 ? sizes.h[nSlot - 1] : 0;
}

// The chosen size becomes the output size as well: a preview of one size and an output of
// another would surprise the user at the first export.
void CMainWizardHost::SetPreviewSize(int nWidth, int nHeight) {
  m_w.Apply(m_w.Session().ApplyOutputSize(nWidth, nHeight));
}

void CMainWizardHost::CustomOutputSize(int* pWidth, int* pHeight) {
  m_w.RunCommand(ids::kSizeCustom);
  *pWidth = m_w.Project().m_nOutputWidth;
  *pHeight = m_w.Project().m_nOutputHeight;
}

bool CMainWizardHost::WriteShowWizard(bool bShow) {
  return ::WriteShowWizard(ConfigPathForWrite(m_w.Folders()), bShow);
}

void CMainWizardHost::ShowMessage(const std::string& text) {
  m_w.User().Message(&m_w, Tr(text), mainwin::kProductName, wxOK | wxICON_WARNING);
}

void CMainWizardHost::OpenHelp() { m_w.RunCommand(ids::kHelp); }
