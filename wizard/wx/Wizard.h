// CWizard: the five-page new-project wizard. The frame holds picture 237 on the left, the
// page area and the Back, Next, Cancel and Help buttons; the pages are child panels placed
// over the page area, one of them shown at a time.
#pragma once

#include <vector>

#include <wx/dialog.h>

#include "wizard/WizardFlow.h"

class CStep5;
class IUserInteraction;
class wxButton;
class wxSizerItem;

class CWizard : public wxDialog {
 public:
  CWizard(wxWindow* parent, IWizardHost& host, IUserInteraction& ui);
  ~CWizard() override;

  // Runs the wizard modally, centred over its parent; wxID_OK or wxID_CANCEL.
  int Run();
  const wizard::Ending& GetResult() const { return m_controller.GetResult(); }

  // ---- for the window's tests ----
  wxWindow* Page(int nPage) const;
  int CurPage() const { return m_controller.CurPage(); }
  wxButton* FrameButton(int nId) const;
  wxRect PageRect() const { return m_rcPage; }

 private:
  struct PageNode {
    int nPage;
    wxWindow* pPage;
  };
  void AddPage(wxWindow* pPage);
  void ShowPage(int n);
  void ApplyMove(const wizard::Move& move);
  void PlacePages();
  void EndWizard(int nCode);

  void OnNext(wxCommandEvent& event);
  void OnBack(wxCommandEvent& event);
  void OnCancel(wxCommandEvent& event);
  void OnHelp(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);

  IWizardHost& m_host;
  IUserInteraction& m_ui;
  wizard::WizardController m_controller;
  wxRect m_rcPage;
  wxSizerItem* m_pPageArea = nullptr;
  std::vector<PageNode> m_pages;  // in the order added; the pages are child windows
  CStep5* m_pStep5 = nullptr;
};
