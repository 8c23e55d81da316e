#include "autokey/ProposalEngine.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <set>
#include <string>
#include <utility>

#include "autokey/FaceLandmarks.h"
#include "autokey/FeatureMatcher.h"
#include "autokey/FoldRemover.h"
#include "core/KeyPointMesh.h"

namespace autokey {

namespace {

constexpr double kFaceMaxPixels = 2.0e6;  // detection works on about 2 Mpx
constexpr int kFeatureMaxSide = 1024;
constexpr int kMaxFeaturePairs = 60;
// Landmarks this close outside a picture (relative to its longer side) are pulled in;
// farther ones are dropped.
constexpr double kClipMargin = 0.03;

// The landmarks that matter most first (eye and mouth corners, nose, chin, jaw ends),
// so that a tight limit keeps the face's structure.
constexpr int kLandmarkPriority[] = {36, 39, 42, 45, 48, 54, 30, 8,  27, 33, 0,  16, 2,  14, 4,  12,
                                     6,  10, 17, 21, 22, 26, 19, 24, 31, 35, 51, 57, 62, 66};

std::vector<int> LandmarkOrder() {
  std::vector<int> order(std::begin(kLandmarkPriority), std::end(kLandmarkPriority));
  const std::set<int> first(order.begin(), order.end());
  for (int i = 0; i < 68; ++i)
    if (!first.count(i)) order.push_back(i);
  return order;
}

std::string Ordinal(int n) {
  static const char* const kWords[] = {"first", "second", "third", "fourth", "fifth", "sixth"};
  return n >= 1 && n <= 6 ? kWords[n - 1] : std::to_string(n) + "th";
}

// ---------------------------------------------------------------- faces

struct FaceSearch {
  std::vector<FaceBox> faces;  // picture pixels, left to right
  int used = -1;
  std::vector<LandmarkPoint> landmarks;  // picture pixels
  bool requestedMissing = false;         // the caller named a face that is not there
};

FaceSearch FindFaces(FaceLandmarker& landmarker, const PictureSnapshot& picture) {
  FaceSearch out;
  const GreyImage grey = ToGrey(picture, ScaleForArea(picture.width, picture.height, kFaceMaxPixels));
  std::vector<FaceBox> boxes = landmarker.Detect(grey);
  std::sort(boxes.begin(), boxes.end(),
            [](const FaceBox& a, const FaceBox& b) { return 2 * a.left + a.width < 2 * b.left + b.width; });
  const double sx = double(picture.width) / grey.width, sy = double(picture.height) / grey.height;
  for (const FaceBox& b : boxes) {
    FaceBox f = b;
    f.left = int(b.left * sx);
    f.top = int(b.top * sy);
    f.width = int(b.width * sx);
    f.height = int(b.height * sy);
    out.faces.push_back(f);
  }
  return out;
}

void AddLandmarks(FaceLandmarker& landmarker, const PictureSnapshot& picture, FaceSearch& search, int requested) {
  if (search.faces.empty()) return;
  if (requested >= 0 && requested < int(search.faces.size())) {
    search.used = requested;
  } else {
    search.requestedMissing = requested >= 0;
    search.used = 0;
    for (size_t i = 1; i < search.faces.size(); ++i)
      if (double(search.faces[i].width) * search.faces[i].height >
          double(search.faces[size_t(search.used)].width) * search.faces[size_t(search.used)].height)
        search.used = int(i);
  }
  // Landmarks on the same scaled picture the detector saw.
  const double scale = ScaleForArea(picture.width, picture.height, kFaceMaxPixels);
  const GreyImage grey = ToGrey(picture, scale);
  const double sx = double(picture.width) / grey.width, sy = double(picture.height) / grey.height;
  FaceBox box = search.faces[size_t(search.used)];
  box.left = int(box.left / sx);
  box.top = int(box.top / sy);
  box.width = int(box.width / sx);
  box.height = int(box.height / sy);
  for (const LandmarkPoint& p : landmarker.Landmarks(grey, box)) search.landmarks.push_back({p.x * sx, p.y * sy});
}

void DescribeFaces(const FaceSearch& s, const char* name, int requested, std::vector<std::string>& messages) {
  if (s.faces.size() > 1 && s.used >= 0) {
    std::string text = std::string(name) + " holds " + std::to_string(s.faces.size()) + " faces: ";
    if (s.requestedMissing)
      text += "there is no face " + std::to_string(requested + 1) + ", so ";
    text += (requested >= 0 && !s.requestedMissing ? "the " : "the largest, the ") + Ordinal(s.used + 1) +
            " from the left, was used.";
    messages.push_back(text);
  } else if (s.requestedMissing) {
    messages.push_back(std::string(name) + " holds one face; it was used.");
  }
}

// ---------------------------------------------------------------- candidates

struct Candidates {
  std::vector<KeyPair> pairs;  // picture pixels
  ProposalSource source = ProposalSource::Auto;
};

// Pulls a point that lies just outside the picture inside it (strictly off the frame
// edges, where the hull would see it on the border); false when it lies too far out.
bool ClipInside(double& x, double& y, int w, int h) {
  const double margin = kClipMargin * std::max(w, h);
  if (!std::isfinite(x) || !std::isfinite(y) || x < -margin || y < -margin || x > w + margin || y > h + margin)
    return false;
  x = std::clamp(std::floor(x), 1.0, double(std::max(1, w - 1)));
  y = std::clamp(std::floor(y), 1.0, double(std::max(1, h - 1)));
  return true;
}

struct Pixel {
  int x, y;
  bool operator<(const Pixel& o) const { return x != o.x ? x < o.x : y < o.y; }
};

// The frame centre pair still where the mesh put it, on both pictures.
bool CentreUntouched(const std::vector<KeyPair>& existing, int w1, int h1, int w2, int h2) {
  if (existing.size() < 5) return false;
  const KeyPair& c = existing[4];
  return CKeyPointMesh::TruncCoord(c.x1) == (w1 >> 1) && CKeyPointMesh::TruncCoord(c.y1) == (h1 >> 1) &&
         CKeyPointMesh::TruncCoord(c.x2) == (w2 >> 1) && CKeyPointMesh::TruncCoord(c.y2) == (h2 >> 1);
}

bool HasFramePairs(const std::vector<KeyPair>& existing, int w1, int h1, int w2, int h2) {
  if (existing.size() < 5 || existing.size() > size_t(kMaxKeyPoints)) return false;
  const int corners[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    const KeyPair& p = existing[size_t(i)];
    if (CKeyPointMesh::TruncCoord(p.x1) != corners[i][0] * w1 || CKeyPointMesh::TruncCoord(p.y1) != corners[i][1] * h1 ||
        CKeyPointMesh::TruncCoord(p.x2) != corners[i][0] * w2 || CKeyPointMesh::TruncCoord(p.y2) != corners[i][1] * h2)
      return false;
  }
  return true;
}

void Finish(ProposalResult& r, const PictureSnapshot& image1, const PictureSnapshot& image2,
            const std::vector<KeyPair>& existing, Candidates candidates, int capacity) {
  r.usedSource = candidates.source;
  r.found = int(candidates.pairs.size());
  std::set<Pixel> taken;
  for (const KeyPair& p : existing) taken.insert({CKeyPointMesh::TruncCoord(p.x1), CKeyPointMesh::TruncCoord(p.y1)});
  std::vector<KeyPair> kept;
  for (KeyPair p : candidates.pairs) {
    if (!ClipInside(p.x1, p.y1, image1.width, image1.height) || !ClipInside(p.x2, p.y2, image2.width, image2.height)) {
      ++r.droppedOutside;
      continue;
    }
    if (!taken.insert({int(p.x1), int(p.y1)}).second) {
      ++r.droppedRepeats;
      continue;
    }
    if (int(kept.size()) >= capacity) {
      ++r.droppedLimit;
      continue;
    }
    kept.push_back(p);
  }

  std::vector<KeyPair> all = existing;
  if (!kept.empty() && CentreUntouched(existing, image1.width, image1.height, image2.width, image2.height)) {
    // The centre pair sits at both centres: when the subject moved between the pictures
    // it alone folds most triangles. Put its image2 side where the other pairs take it.
    std::vector<KeyPair> trial = existing;
    trial.insert(trial.end(), kept.begin(), kept.end());
    double x2 = 0, y2 = 0;
    if (MapThroughOthers(trial, 4, all[4].x1, all[4].y1, x2, y2) && ClipInside(x2, y2, image2.width, image2.height) &&
        (int(x2) != CKeyPointMesh::TruncCoord(all[4].x2) || int(y2) != CKeyPointMesh::TruncCoord(all[4].y2))) {
      all[4].x2 = x2;
      all[4].y2 = y2;
      r.moveCentre = true;
      r.centreX2 = x2;
      r.centreY2 = y2;
    }
  }
  all.insert(all.end(), kept.begin(), kept.end());
  FoldOutcome folds = RemoveFolds(all, int(existing.size()));
  if (!folds.triangulated) {
    // Should two proposals still meet the hull's tolerance, add them one by one and keep
    // those that triangulate.
    all.resize(existing.size());
    std::vector<PairTriangle> tris;
    for (const KeyPair& p : kept) {
      all.push_back(p);
      if (!TriangulatePairs(all, tris)) {
        all.pop_back();
        ++r.droppedRepeats;
      }
    }
    folds = RemoveFolds(all, int(existing.size()));
  }
  r.droppedFolds = folds.dropped;
  r.foldsLeft = folds.foldsLeft;
  r.pairs.assign(all.begin() + long(existing.size()), all.end());
  r.kept = int(r.pairs.size());
  if (r.kept == 0) {
    r.moveCentre = false;
    r.status = ProposalStatus::NothingKept;
  } else {
    r.status = ProposalStatus::Placed;
  }

  const std::string from = candidates.source == ProposalSource::Faces ? "the faces" : "matching features";
  const int droppedOther = r.droppedOutside + r.droppedRepeats + r.droppedLimit;
  std::string text = std::to_string(r.found) + " pairs found from " + from + ", " + std::to_string(r.droppedFolds) +
                     " dropped for folds";
  if (droppedOther > 0) {
    text += ", " + std::to_string(droppedOther) + " dropped";
    std::vector<std::string> why;
    if (r.droppedOutside) why.push_back(std::to_string(r.droppedOutside) + " outside a picture");
    if (r.droppedRepeats) why.push_back(std::to_string(r.droppedRepeats) + " on a pixel already used");
    if (r.droppedLimit) why.push_back(std::to_string(r.droppedLimit) + " over the limit");
    text += " (";
    for (size_t i = 0; i < why.size(); ++i) text += (i ? ", " : "") + why[i];
    text += ")";
  }
  text += ", " + std::to_string(r.kept) + " kept.";
  r.messages.push_back(text);
  if (r.foldsLeft > 0)
    r.messages.push_back(std::to_string(r.foldsLeft) + " folded triangles remain between pairs placed by hand.");
}

}  // namespace

ProposalResult ProposeKeyPairs(const PictureSnapshot& image1, const PictureSnapshot& image2,
                               const std::vector<KeyPair>& existing, const ProposalOptions& options) {
  ProposalResult r;
  r.width1 = image1.width;
  r.height1 = image1.height;
  r.width2 = image2.width;
  r.height2 = image2.height;
  r.existingPairs = int(existing.size());
  if (image1.IsEmpty() || image2.IsEmpty() || !HasFramePairs(existing, image1.width, image1.height, image2.width, image2.height)) {
    r.status = ProposalStatus::InvalidInput;
    r.messages.push_back("Both pictures and the project's frame points are needed for automatic key points.");
    return r;
  }
  const int capacity = std::min(options.maxPairs, kMaxKeyPoints - int(existing.size()));
  if (capacity <= 0) {
    r.status = ProposalStatus::NoRoom;
    r.messages.push_back(options.maxPairs <= 0 ? "No pairs may be added (the limit is 0)."
                                               : "The project already holds 128 key points: no pair can be added.");
    return r;
  }

  bool facesTried = false;
  if (options.source != ProposalSource::Features) {
    const std::string path = options.modelPath.empty() ? FaceLandmarker::DefaultModelPath() : options.modelPath;
    std::shared_ptr<FaceLandmarker> landmarker = FaceLandmarker::Shared(path);
    // Reading the model (about 100 MB) overlaps the detection; later calls find it loaded.
    std::string modelError;
    std::future<bool> model =
        std::async(std::launch::async, [&landmarker, &modelError] { return landmarker->LoadModel(&modelError); });
    FaceSearch s1 = FindFaces(*landmarker, image1);
    FaceSearch s2 = FindFaces(*landmarker, image2);
    const bool haveModel = model.get();
    r.faces1 = s1.faces;
    r.faces2 = s2.faces;
    if (!haveModel) {
      r.messages.push_back(modelError);
      if (options.source == ProposalSource::Faces) {
        r.status = ProposalStatus::ModelMissing;
        return r;
      }
      r.messages.push_back("Looking for matching features instead.");
    } else if (!s1.faces.empty() && !s2.faces.empty()) {
      AddLandmarks(*landmarker, image1, s1, options.face1);
      AddLandmarks(*landmarker, image2, s2, options.face2);
      r.usedFace1 = s1.used;
      r.usedFace2 = s2.used;
      DescribeFaces(s1, "Image1", options.face1, r.messages);
      DescribeFaces(s2, "Image2", options.face2, r.messages);
      Candidates c;
      c.source = ProposalSource::Faces;
      for (int i : LandmarkOrder())
        c.pairs.push_back({s1.landmarks[size_t(i)].x, s1.landmarks[size_t(i)].y, s2.landmarks[size_t(i)].x,
                           s2.landmarks[size_t(i)].y});
      Finish(r, image1, image2, existing, std::move(c), capacity);
      return r;
    } else {
      facesTried = true;
      if (s1.faces.empty() && s2.faces.empty())
        r.messages.push_back("No face found in either picture.");
      else
        r.messages.push_back(std::string("No face found in ") + (s1.faces.empty() ? "image1." : "image2."));
      if (options.source == ProposalSource::Faces) {
        r.status = ProposalStatus::NoFace;
        return r;
      }
    }
  }

  // Local features, on pictures scaled to at most 1024 pixels a side.
  const double scale1 = ScaleForSide(image1.width, image1.height, kFeatureMaxSide);
  const double scale2 = ScaleForSide(image2.width, image2.height, kFeatureMaxSide);
  const GreyImage g1 = ToGrey(image1, scale1), g2 = ToGrey(image2, scale2);
  FeatureMatchSettings settings;
  settings.maxPairs = std::min(kMaxFeaturePairs, std::max(1, capacity));
  settings.area1 = double(image1.width) * image1.height;
  settings.area2 = double(image2.width) * image2.height;
  settings.toOriginal1 = double(image1.width) / g1.width;
  settings.toOriginal2 = double(image2.width) / g2.width;
  FeatureMatchResult m = MatchFeatures(g1, g2, settings);
  r.mutualMatches = m.mutualMatches;
  r.inliers = m.inliers;
  if (!m.reliable) {
    r.status = ProposalStatus::TooDifferent;
    r.messages.push_back(std::string(facesTried ? "The pictures are also too different to match: " : "The pictures are too different to match: ") +
                         std::to_string(m.inliers) + " consistent matches (" + std::to_string(settings.minInliers) +
                         " needed).");
    return r;
  }
  Candidates c;
  c.source = ProposalSource::Features;
  const double sy1 = double(image1.height) / g1.height, sy2 = double(image2.height) / g2.height;
  for (const KeyPair& p : m.pairs)
    c.pairs.push_back({p.x1 * settings.toOriginal1, p.y1 * sy1, p.x2 * settings.toOriginal2, p.y2 * sy2});
  Finish(r, image1, image2, existing, std::move(c), capacity);
  return r;
}

void ReleaseModels() { FaceLandmarker::ReleaseShared(); }

}  // namespace autokey
