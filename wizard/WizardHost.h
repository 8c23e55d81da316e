// What the new-project wizard asks of the main window. The pages load pictures and set the
// morph type and the preview size while the wizard is open, so on Finish the window
// already holds the new project.
#pragma once

#include <string>

class IWizardHost {
 public:
  virtual ~IWizardHost() = default;

  // Each shows the open-file dialog and loads; true with the chosen path on success. Load
  // errors are reported by the window itself.
  virtual bool LoadImage1(std::string* pPath) = 0;
  virtual bool LoadImage2(std::string* pPath) = 0;
  // One picture into both slots, morph type 2.
  virtual bool LoadWarpImage(std::string* pPath) = 0;
  // The morph type with the check marks of the three menu items.
  virtual void SetMorphType(int nType) = 0;
  // Size of the picture in slot 1 or 2; 0 x 0 when the slot is empty.
  virtual void ImageSize(int nSlot, int* pWidth, int* pHeight) const = 0;
  // The output size the preview shows, fitted into the preview pane.
  virtual void SetPreviewSize(int nWidth, int nHeight) = 0;
  // Runs the window's custom output size command; the output size after it.
  virtual void CustomOutputSize(int* pWidth, int* pHeight) = 0;
  // Stores the start-up switch at once; false when the settings file cannot be written.
  virtual bool WriteShowWizard(bool bShow) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void OpenHelp() = 0;
};
