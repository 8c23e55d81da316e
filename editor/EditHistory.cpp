#include "editor/EditHistory.h"

#include "base/PathParts.h"

namespace {

// A mesh edit whose undo and redo put back the whole mesh as it was on either side.
class MeshSnapshotCommand : public EditCommand {
 public:
  Result Execute(MorphProject& project) override {
    m_before.CopyFrom(project.m_mesh);
    Result r = Apply(project);
    if (r) m_after.CopyFrom(project.m_mesh);
    return r;
  }
  void Undo(MorphProject& project) override { Restore(project, m_before); }
  void Redo(MorphProject& project) override { Restore(project, m_after); }

 protected:
  virtual Result Apply(MorphProject& project) = 0;

 private:
  static void Restore(MorphProject& project, const CKeyPointMesh& mesh) {
    project.m_mesh.CopyFrom(mesh);
    // The numbers the window keeps may name other pairs now.
    project.SetHitPoint(PointHandle{});
    project.SetHoverPoint(PointHandle{});
  }
  CKeyPointMesh m_before;
  CKeyPointMesh m_after;
};

class AddPairCommand : public MeshSnapshotCommand {
 public:
  AddPairCommand(int pane, int cx, int cy) : m_pane(pane), m_cx(cx), m_cy(cy) {}
  std::string Name() const override { return "add pair"; }

 protected:
  Result Apply(MorphProject& project) override { return project.AddPairAt(m_pane, m_cx, m_cy); }

 private:
  int m_pane, m_cx, m_cy;
};

class DeletePairCommand : public MeshSnapshotCommand {
 public:
  explicit DeletePairCommand(int vnum) : m_vnum(vnum) {}
  std::string Name() const override { return "delete pair"; }

 protected:
  Result Apply(MorphProject& project) override { return project.DeletePair(m_vnum); }

 private:
  int m_vnum;
};

class MeshEditCommand : public MeshSnapshotCommand {
 public:
  MeshEditCommand(std::string name, std::function<Result(MorphProject&)> apply)
      : m_name(std::move(name)), m_apply(std::move(apply)) {}
  std::string Name() const override { return m_name; }

 protected:
  Result Apply(MorphProject& project) override {
    return m_apply ? m_apply(project) : Result::Fail(ProjectText::kError);
  }

 private:
  std::string m_name;
  std::function<Result(MorphProject&)> m_apply;
};

class MovePairCommand : public EditCommand {
 public:
  MovePairCommand(int pane, int vnum, double fx, double fy, double tx, double ty)
      : m_pane(pane), m_vnum(vnum), m_fromX(fx), m_fromY(fy), m_toX(tx), m_toY(ty) {}
  std::string Name() const override { return "move pair"; }
  Result Execute(MorphProject& project) override { return project.MovePoint(m_pane, m_vnum, m_toX, m_toY); }
  void Undo(MorphProject& project) override { project.MovePoint(m_pane, m_vnum, m_fromX, m_fromY); }
  void Redo(MorphProject& project) override { project.MovePoint(m_pane, m_vnum, m_toX, m_toY); }

 private:
  int m_pane, m_vnum;
  double m_fromX, m_fromY, m_toX, m_toY;
};

class MorphTypeCommand : public EditCommand {
 public:
  explicit MorphTypeCommand(int type) : m_type(type) {}
  std::string Name() const override { return "set morph type"; }
  Result Execute(MorphProject& project) override {
    m_before = project.m_nMorphType;
    return project.ChooseMorphType(m_type);
  }
  void Undo(MorphProject& project) override { project.ChooseMorphType(m_before); }
  void Redo(MorphProject& project) override { project.ChooseMorphType(m_type); }

 private:
  int m_type;
  int m_before = 1;
};

}  // namespace

std::unique_ptr<EditCommand> MakeAddPairCommand(int pane, int cx, int cy) {
  return std::make_unique<AddPairCommand>(pane, cx, cy);
}
std::unique_ptr<EditCommand> MakeDeletePairCommand(int vnum) { return std::make_unique<DeletePairCommand>(vnum); }
std::unique_ptr<EditCommand> MakeMovePairCommand(int pane, int vnum, double fromX, double fromY, double toX,
                                                 double toY) {
  return std::make_unique<MovePairCommand>(pane, vnum, fromX, fromY, toX, toY);
}
std::unique_ptr<EditCommand> MakeMorphTypeCommand(int type) { return std::make_unique<MorphTypeCommand>(type); }
std::unique_ptr<EditCommand> MakeMeshEditCommand(std::string name,
                                                 std::function<Result(MorphProject&)> apply) {
  return std::make_unique<MeshEditCommand>(std::move(name), std::move(apply));
}

// ---------------------------------------------------------------- history

Result CommandHistory::Execute(std::unique_ptr<EditCommand> command, MorphProject& project) {
  if (!command) return Result::Fail(ProjectText::kError);
  Result r = command->Execute(project);
  if (r) Record(std::move(command));
  return r;
}

void CommandHistory::Record(std::unique_ptr<EditCommand> command) {
  if (!command) return;
  m_steps.resize(m_nNext);
  // The saved state was among the dropped redo steps: no step leads back to it now.
  if (m_nSavedAt > static_cast<long>(m_nNext)) m_nSavedAt = -1;
  m_steps.push_back(std::move(command));
  ++m_nNext;
  if (m_steps.size() > kMaxSteps) {
    m_steps.erase(m_steps.begin());
    --m_nNext;
    m_nSavedAt = m_nSavedAt > 0 ? m_nSavedAt - 1 : -1;
  }
}

bool CommandHistory::Undo(MorphProject& project) {
  if (!CanUndo()) return false;
  m_steps[--m_nNext]->Undo(project);
  return true;
}

bool CommandHistory::Redo(MorphProject& project) {
  if (!CanRedo()) return false;
  m_steps[m_nNext++]->Redo(project);
  return true;
}

void CommandHistory::Clear(bool bSaved) {
  m_steps.clear();
  m_nNext = 0;
  m_nSavedAt = bSaved ? 0 : -1;
  m_bChangedOutside = false;
}

void CommandHistory::MarkSaved() {
  m_nSavedAt = static_cast<long>(m_nNext);
  m_bChangedOutside = false;
}

bool CommandHistory::IsDirty() const { return m_bChangedOutside || m_nSavedAt != static_cast<long>(m_nNext); }

std::string ProjectTitleText(const std::string& productName, const std::string& projectPath, bool bHasContent,
                             bool bDirty) {
  std::string name = projectPath.empty() ? std::string() : PathFileName(projectPath);
  if (name.empty() && bHasContent) name = "Untitled";
  if (name.empty()) return productName;
  return (bDirty ? "*" : "") + name + " - " + productName;
}
