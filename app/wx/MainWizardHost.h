// The new-project wizard's view of the main window: the pages load pictures, set the morph
// type and the preview size through the window's own commands while the wizard is open.
#pragma once

#include "wizard/WizardHost.h"

class CMainMorphDlg;

// The image file the user picks in the open chooser; empty when cancelled.
std::string ChooseImageFile(CMainMorphDlg& window);

class CMainWizardHost : public IWizardHost {
 public:
  explicit CMainWizardHost(CMainMorphDlg& window) : m_w(window) {}

  bool LoadImage1(std::string* pPath) override { return Load(1, pPath); }
  bool LoadImage2(std::string* pPath) override { return Load(2, pPath); }
  bool LoadWarpImage(std::string* pPath) override;
  void SetMorphType(int nType) override;
  void ImageSize(int nSlot, int* pWidth, int* pHeight) const override;
  void SetPreviewSize(int nWidth, int nHeight) override;
  void CustomOutputSize(int* pWidth, int* pHeight) override;
  bool WriteShowWizard(bool bShow) override;
  void ShowMessage(const std::string& text) override;
  void OpenHelp() override;

 private:
  bool Load(int nSlot, std::string* pPath);

  CMainMorphDlg& m_w;
};
