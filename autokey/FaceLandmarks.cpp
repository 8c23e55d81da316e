#include "autokey/FaceLandmarks.h"

#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include "base/FileChecks.h"

namespace autokey {

namespace {

constexpr const char* kInstalledModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";

void CopyToDlib(const GreyImage& image, dlib::array2d<unsigned char>& out) {
  out.set_size(image.height, image.width);
  for (int y = 0; y < image.height; ++y) std::copy_n(image.Row(y), image.width, &out[y][0]);
}

FaceBox ToBox(const dlib::rectangle& r, double score, double factor) {
  FaceBox box;
  box.left = int(r.left() * factor);
  box.top = int(r.top() * factor);
  box.width = int(r.width() * factor);
  box.height = int(r.height() * factor);
  box.score = score;
  return box;
}

}  // namespace

struct FaceLandmarker::Detector {
  dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
};

struct FaceLandmarker::Model {
  dlib::shape_predictor predictor;
};

std::string FaceLandmarker::DefaultModelPath() {
  const char* env = std::getenv("KESTRELLE_FACE_MODEL");
  return env && *env ? std::string(env) : std::string(kInstalledModel);
}

namespace {

std::mutex g_sharedMutex;
std::map<std::string, std::shared_ptr<FaceLandmarker>> g_shared;

}  // namespace

std::shared_ptr<FaceLandmarker> FaceLandmarker::Shared(const std::string& modelPath) {
  std::lock_guard<std::mutex> lock(g_sharedMutex);
  std::shared_ptr<FaceLandmarker>& slot = g_shared[modelPath];
  if (!slot) slot = std::make_shared<FaceLandmarker>(modelPath);
  return slot;
}

void FaceLandmarker::ReleaseShared() {
  std::lock_guard<std::mutex> lock(g_sharedMutex);
  g_shared.clear();
}

FaceLandmarker::FaceLandmarker(std::string modelPath) : m_modelPath(std::move(modelPath)) {}

FaceLandmarker::~FaceLandmarker() = default;

bool FaceLandmarker::LoadModel(std::string* pError) {
  std::call_once(m_modelOnce, [this] {
    // A folder or FIFO named as the model would otherwise read as "damaged" or block.
    std::string reason;
    std::ifstream in;
    if (IsReadableRegularFile(m_modelPath, &reason)) in.open(m_modelPath, std::ios::binary);
    if (!in.is_open()) {
      m_modelError = "The face landmark model " + m_modelPath + " cannot be read" +
                     (reason.empty() ? std::string() : " (" + reason + ")") + ": install the package libdlib-data.";
      return;
    }
    auto model = std::make_unique<Model>();
    try {
      dlib::deserialize(model->predictor, in);
    } catch (const std::exception&) {
      m_modelError = "The face landmark model " + m_modelPath + " is damaged: reinstall the package libdlib-data.";
      return;
    }
    if (model->predictor.num_parts() != 68) {
      m_modelError = "The face landmark model " + m_modelPath + " does not give 68 landmarks.";
      return;
    }
    m_model = std::move(model);
  });
  if (!m_model && pError) *pError = m_modelError;
  return m_model != nullptr;
}

std::unique_ptr<FaceLandmarker::Detector> FaceLandmarker::AcquireDetector() {
  {
    std::lock_guard<std::mutex> lock(m_poolMutex);
    if (!m_pool.empty()) {
      std::unique_ptr<Detector> d = std::move(m_pool.back());
      m_pool.pop_back();
      return d;
    }
  }
  return std::make_unique<Detector>();
}

void FaceLandmarker::ReleaseDetector(std::unique_ptr<Detector> detector) {
  std::lock_guard<std::mutex> lock(m_poolMutex);
  m_pool.push_back(std::move(detector));
}

std::vector<FaceBox> FaceLandmarker::Detect(const GreyImage& image) {
  std::vector<FaceBox> faces;
  if (image.width <= 0 || image.height <= 0) return faces;
  std::unique_ptr<Detector> d = AcquireDetector();
  dlib::array2d<unsigned char> img;
  CopyToDlib(image, img);
  std::vector<dlib::rect_detection> found;
  d->detector(img, found);
  double factor = 1.0;
  // The detector needs faces of about 80 pixels; look again at twice the size when the
  // picture is small enough for that to be affordable.
  const bool anyFace = std::any_of(found.begin(), found.end(),
                                   [](const dlib::rect_detection& r) { return r.detection_confidence >= kMinFaceScore; });
  if (!anyFace && double(image.width) * image.height <= 2.5e6) {
    dlib::pyramid_up(img);
    found.clear();
    d->detector(img, found);
    factor = double(image.width) / double(img.nc());
  }
  ReleaseDetector(std::move(d));
  for (const dlib::rect_detection& r : found)
    if (r.detection_confidence >= kMinFaceScore) faces.push_back(ToBox(r.rect, r.detection_confidence, factor));
  return faces;
}

FaceShape FaceLandmarker::Landmarks(const GreyImage& image, const FaceBox& face) {
  FaceShape shape{};
  if (!m_model) return shape;
  dlib::array2d<unsigned char> img;
  CopyToDlib(image, img);
  const dlib::rectangle rect(face.left, face.top, face.left + face.width - 1, face.top + face.height - 1);
  // The predictor is only read: one instance serves every thread.
  const dlib::full_object_detection det = m_model->predictor(img, rect);
  for (unsigned long i = 0; i < det.num_parts() && i < shape.size(); ++i) shape[i] = {double(det.part(i).x()), double(det.part(i).y())};
  return shape;
}

}  // namespace autokey
