// What the automatic key-point engine takes and gives. Plain data only, so a window can
// snapshot the project on its own thread, run the engine on another and apply the result
// back on its own thread; nothing here needs dlib or OpenCV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CPicture;
class CKeyPointMesh;

namespace autokey {

// A decoded picture as 8-bit blue-green-red pixels, rows top-down, no padding.
struct PictureSnapshot {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;  // width * height * 3
  bool IsEmpty() const { return width <= 0 || height <= 0 || bgr.size() != size_t(width) * size_t(height) * 3; }
};

// The container's pixels (any depth; palettes resolved) in picture coordinates.
PictureSnapshot SnapshotPicture(const CPicture& picture);

// One key-point pair: (x1, y1) on image1, (x2, y2) on image2, picture pixels.
struct KeyPair {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The project's pairs in key-point number order (the frame pairs 0..4 first).
std::vector<KeyPair> PairsFromMesh(const CKeyPointMesh& mesh);

enum class ProposalSource { Auto, Faces, Features };

struct ProposalOptions {
  ProposalSource source = ProposalSource::Auto;
  // At most this many new pairs (the project's limit of 128 pairs applies as well).
  int maxPairs = 128;
  // Face to use in each picture as an index into the faces found (left to right);
  // -1 takes the largest.
  int face1 = -1;
  int face2 = -1;
  // The 68-point landmark model; empty: the installed one (or $KESTRELLE_FACE_MODEL).
  std::string modelPath;
};

enum class ProposalStatus {
  Placed,        // pairs proposed
  NoFace,        // faces asked for, and one picture or both hold none (see faces1/faces2)
  TooDifferent,  // no reliable feature matches
  ModelMissing,  // faces asked for, and the landmark model file cannot be read
  NoRoom,        // the project already holds the most pairs it can
  NothingKept,   // candidates were found, but none survived clipping, repeats and folds
  InvalidInput,  // empty picture or a project without its frame pairs
};

struct FaceBox {
  int left = 0, top = 0, width = 0, height = 0;  // picture pixels
  double score = 0;
};

struct ProposalResult {
  ProposalStatus status = ProposalStatus::InvalidInput;
  ProposalSource usedSource = ProposalSource::Auto;  // Faces or Features once something was found

  // New pairs to add, whole pixels inside both pictures.
  std::vector<KeyPair> pairs;
  // The frame centre pair (number 4) is moved on image2 to where the other pairs map
  // image1's centre; only when it was still at both pictures' centres.
  bool moveCentre = false;
  double centreX2 = 0, centreY2 = 0;

  // Faces found in each picture, left to right, and the ones used (-1: none).
  std::vector<FaceBox> faces1, faces2;
  int usedFace1 = -1, usedFace2 = -1;

  // Counts: candidates found; dropped because they lay outside a picture, repeated
  // another point's pixel, exceeded the limit, or folded a triangle; kept.
  int found = 0;
  int droppedOutside = 0;
  int droppedRepeats = 0;
  int droppedLimit = 0;
  int droppedFolds = 0;
  int kept = 0;
  // Folded triangles left afterwards (only pairs placed by hand can cause them).
  int foldsLeft = 0;

  // Feature matching figures (when it ran).
  int mutualMatches = 0;
  int inliers = 0;

  // What happened, one sentence each, for the user (notes such as "several faces" first,
  // the outcome last).
  std::vector<std::string> messages;

  // The input's shape, so that a result is applied only to the project it was made for.
  int width1 = 0, height1 = 0, width2 = 0, height2 = 0;
  int existingPairs = 0;

  bool ok() const { return status == ProposalStatus::Placed; }
};

const char* ToString(ProposalStatus status);
const char* ToString(ProposalSource source);

}  // namespace autokey
