// Frontal faces and their 68 landmarks (dlib's HOG detector and shape predictor). The one
// file that includes dlib is FaceLandmarks.cpp: its headers compile slowly.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "autokey/GreyImage.h"

namespace autokey {

struct LandmarkPoint {
  double x = 0, y = 0;
};
using FaceShape = std::array<LandmarkPoint, 68>;

// Faces with a detection score below this are not faces (drawn animals score 0.03-0.12,
// real and drawn human faces above it).
inline constexpr double kMinFaceScore = 0.3;

// Shared per model file and thread-safe: the landmark model is read once, on first use;
// detectors (which cannot be shared by threads) are kept in a pool and reused.
class FaceLandmarker {
 public:
  // The installed model, or $KESTRELLE_FACE_MODEL when set.
  static std::string DefaultModelPath();
  // One instance per model path for the life of the process.
  static std::shared_ptr<FaceLandmarker> Shared(const std::string& modelPath);
  // Forgets the shared instances (their memory goes once no caller holds them); the next
  // Shared() reads the model again.
  static void ReleaseShared();

  explicit FaceLandmarker(std::string modelPath);
  ~FaceLandmarker();
  FaceLandmarker(const FaceLandmarker&) = delete;
  FaceLandmarker& operator=(const FaceLandmarker&) = delete;

  const std::string& ModelPath() const { return m_modelPath; }
  // Reads the landmark model unless done already; false with the reason when it cannot be read.
  bool LoadModel(std::string* pError);
  // Faces scoring at least kMinFaceScore, in the image's pixels. Small faces are searched
  // again at twice the size when none is found.
  std::vector<FaceBox> Detect(const GreyImage& image);
  // The 68 landmarks of one face (LoadModel must have succeeded).
  FaceShape Landmarks(const GreyImage& image, const FaceBox& face);

 private:
  struct Detector;
  struct Model;
  std::unique_ptr<Detector> AcquireDetector();
  void ReleaseDetector(std::unique_ptr<Detector> detector);

  std::string m_modelPath;
  std::once_flag m_modelOnce;
  std::unique_ptr<Model> m_model;
  std::string m_modelError;
  std::mutex m_poolMutex;
  std::vector<std::unique_ptr<Detector>> m_pool;
};

}  // namespace autokey
