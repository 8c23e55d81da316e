// The automatic key-point engine: given the two decoded pictures of a project and its
// pairs, proposes new pairs. Faces first (the 68 landmarks of one face in each picture),
// otherwise reliable local-feature matches; then no folds, within the 128-pair limit,
// keeping every existing pair. It touches no project: a window snapshots the pictures
// and pairs, runs this on a worker thread and applies the result on its own thread.
#pragma once

#include <vector>

#include "autokey/AutoKeyTypes.h"

namespace autokey {

// Thread-safe. The landmark model and the face detector are created on first use and
// shared by later calls.
ProposalResult ProposeKeyPairs(const PictureSnapshot& image1, const PictureSnapshot& image2,
                               const std::vector<KeyPair>& existing, const ProposalOptions& options = {});

// Frees the loaded landmark model and detectors (about 100 MB); the next call loads them again.
void ReleaseModels();

}  // namespace autokey
