// Undo and redo of key-point edits and the morph type as named commands on one linear
// history, and whether the project has edits not yet saved. A command restores the state it
// found exactly: mesh edits keep a copy of the mesh before and after (lists, heads and
// triangles as they were), a move keeps the unrounded coordinates of both ends.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/MorphProject.h"

class EditCommand {
 public:
  virtual ~EditCommand() = default;
  // Menu name of the step ("add pair").
  virtual std::string Name() const = 0;
  // The first run; a failed command changes nothing and is not kept.
  virtual Result Execute(MorphProject& project) = 0;
  virtual void Undo(MorphProject& project) = 0;
  virtual void Redo(MorphProject& project) = 0;
};

// Adds a pair at a pane's picture position (the partner at the same relative place).
std::unique_ptr<EditCommand> MakeAddPairCommand(int pane, int cx, int cy);
// Deletes a pair; the rest are renumbered.
std::unique_ptr<EditCommand> MakeDeletePairCommand(int vnum);
// One side of a pair moved from one position to another (a whole drag).
std::unique_ptr<EditCommand> MakeMovePairCommand(int pane, int vnum, double fromX, double fromY, double toX,
                                                 double toY);
std::unique_ptr<EditCommand> MakeMorphTypeCommand(int type);
// A batch change of the pairs made by `apply` (proposed pairs, say): one step whose undo and
// redo restore the whole mesh. A failed `apply` must leave the mesh as it found it.
std::unique_ptr<EditCommand> MakeMeshEditCommand(std::string name,
                                                 std::function<Result(MorphProject&)> apply);

class CommandHistory {
 public:
  static constexpr size_t kMaxSteps = 200;  // older steps are forgotten

  // Runs the command; when it succeeds it becomes the newest step and the redo steps go.
  Result Execute(std::unique_ptr<EditCommand> command, MorphProject& project);
  // Keeps a command whose change is already made (a drag, recorded at its release).
  void Record(std::unique_ptr<EditCommand> command);

  bool CanUndo() const { return m_nNext > 0; }
  bool CanRedo() const { return m_nNext < m_steps.size(); }
  std::string UndoName() const { return CanUndo() ? m_steps[m_nNext - 1]->Name() : std::string(); }
  std::string RedoName() const { return CanRedo() ? m_steps[m_nNext]->Name() : std::string(); }
  bool Undo(MorphProject& project);
  bool Redo(MorphProject& project);

  // Forgets every step (open, close, a picture replaced); the project counts as saved when
  // `bSaved`, else as changed.
  void Clear(bool bSaved);
  // The current state is what the project file holds.
  void MarkSaved();
  // A change outside the history (a picture load): unsaved until the next save.
  void MarkChanged() { m_bChangedOutside = true; }
  bool IsDirty() const;

 private:
  std::vector<std::unique_ptr<EditCommand>> m_steps;
  size_t m_nNext = 0;     // steps [0, m_nNext) are done
  long m_nSavedAt = 0;    // m_nNext when saved; -1 when that state was forgotten
  bool m_bChangedOutside = false;
};

// Window title: the project's file name (or "Untitled" once there is something to save)
// with a leading "*" while there are unsaved edits, then the product name.
std::string ProjectTitleText(const std::string& productName, const std::string& projectPath, bool bHasContent,
                             bool bDirty);
