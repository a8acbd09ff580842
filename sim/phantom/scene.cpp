#include "sim/phantom/scene.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "sim/phantom/random.h"

namespace np::phantom {
namespace {

// Densities add up along the ray; the image shows 1 - exp(-density).
constexpr float kAir = 0.05f;
constexpr float kSoftTissue = 0.32f;
constexpr float kBone = 0.45f;
constexpr float kCortex = 0.45f;
constexpr float kEnamel = 1.9f;
constexpr float kDentin = 1.25f;
constexpr float kPulp = 0.55f;
constexpr float kMetal = 6.0f;

// 1 well inside, 0 well outside, a soft ramp across the edge (d: signed distance
// inside, in pixels).
float coverage(float d, float soft = 1.5f) {
    return std::clamp(0.5f + d / soft, 0.0f, 1.0f);
}

// Coverage of the band lo <= y <= hi.
float band(float y, float lo, float hi, float soft = 3.0f) {
    return std::min(coverage(y - lo, soft), coverage(hi - y, soft));
}

float ellipse(float x, float y, float cx, float cy, float ax, float ay, float soft = 4.0f) {
    const float dx = (x - cx) / ax, dy = (y - cy) / ay;
    const float r = std::sqrt(dx * dx + dy * dy);
    return coverage((1.0f - r) * std::min(ax, ay), soft);
}

class SceneBuilder {
  public:
    explicit SceneBuilder(int columns)
        : columns_(columns), half_(columns / 2.0f), density_(std::size_t(columns) * kSceneRows) {}

    float cx(int x) const { return (static_cast<float>(x) - half_) / half_; }
    float px(float cx_value) const { return half_ + cx_value * half_; }
    static float occlusal(float c) { return 640.0f - 55.0f * c * c; }
    static float lower_border(float c) { return 1090.0f - 170.0f * c * c; }
    float& d(int x, int y) { return density_[std::size_t(y) * columns_ + x]; }

    void add_bones_and_soft_tissue() {
        for (int y = 0; y < kSceneRows; ++y) {
            const float fy = static_cast<float>(y);
            for (int x = 0; x < columns_; ++x) {
                const float c = cx(x), ac = std::fabs(c), fx = static_cast<float>(x);
                float value = kAir;
                // Head outline: soft tissue inside, air in the corners.
                value += kSoftTissue * ellipse(fx, fy, half_, 560.0f, 0.98f * half_, 720.0f, 12.0f);
                // Air: nasal cavity, maxillary sinuses, the airway over the tongue.
                value -= 0.14f * ellipse(fx, fy, half_, 200.0f, 0.11f * half_, 90.0f, 8.0f);
                value -= 0.12f * ellipse(fx, fy, px(-0.32f), 265.0f, 0.15f * half_, 105.0f, 10.0f);
                value -= 0.12f * ellipse(fx, fy, px(0.32f), 265.0f, 0.15f * half_, 105.0f, 10.0f);
                value -= 0.16f * band(fy, 440.0f + 20.0f * c * c, 478.0f + 20.0f * c * c, 6.0f) *
                         coverage((0.66f - ac) * half_, 30.0f);
                // Maxilla with the hard palate; zygomatic arches at the top sides.
                value += kBone * band(fy, 330.0f + 20.0f * c * c, occlusal(c) - 60.0f, 25.0f) *
                         coverage((0.70f - ac) * half_, 60.0f);
                value += 0.4f * band(fy, 345.0f + 25.0f * c * c, 360.0f + 25.0f * c * c, 4.0f) *
                         coverage((0.55f - ac) * half_, 50.0f);
                const float arch = 250.0f - 50.0f * (ac - 0.5f);
                value += 0.3f * band(fy, arch - 15.0f, arch + 15.0f, 6.0f) *
                         band(ac * half_, 0.5f * half_, 0.92f * half_, 40.0f);
                // Mandible: body, lower cortex, canal; rami leaning outwards, condyles.
                const float border = lower_border(std::min(ac, 0.72f));
                const float ramus_centre =
                    0.72f + 0.07f * std::clamp((border - fy) / 600.0f, 0.0f, 1.0f);
                const float ramus_side = (0.045f - std::fabs(ac - ramus_centre)) * half_;
                const float ramus = coverage(ramus_side, 4.0f) * band(fy, 380.0f, border, 6.0f) *
                                    coverage(ac * half_ - 0.6f * half_, 4.0f);
                const float body = band(fy, occlusal(c) + 70.0f, border, 4.0f) *
                                   coverage((0.72f - ac) * half_, 6.0f);
                const float jaw = std::max(body, ramus);
                value += kBone * jaw;
                value += kCortex * band(fy, border - 26.0f, border, 3.0f) * jaw;
                value += 0.3f * ramus * (1.0f - coverage(ramus_side - 12.0f, 3.0f));
                value -= 0.15f * band(fy, border - 117.0f, border - 105.0f, 3.0f) *
                         band(ac, 0.25f, 0.7f, 0.01f) * body;
                value += 0.55f * ellipse(ac * half_, fy, 0.79f * half_, 360.0f, 45.0f, 40.0f, 3.0f);
                // Ghost of the cervical spine at both edges.
                value += 0.3f * coverage((ac - 0.92f) * half_, 60.0f);
                d(x, y) = value;
            }
        }
    }

    struct ToothType {
        float width;  // in half-image units
        float crown;  // pixels
        float root;
        int roots;
    };

    void add_teeth() {
        static constexpr std::array<ToothType, 8> kTypes{{{0.055f, 95, 140, 1},
                                                          {0.050f, 90, 130, 1},
                                                          {0.060f, 100, 175, 1},
                                                          {0.062f, 85, 135, 1},
                                                          {0.062f, 85, 135, 1},
                                                          {0.088f, 80, 120, 2},
                                                          {0.085f, 78, 115, 2},
                                                          {0.080f, 75, 100, 2}}};
        for (int side : {-1, 1}) {
            float position = 0.0f;
            for (int i = 0; i < 8; ++i) {
                const ToothType& type = kTypes[i];
                const float centre = static_cast<float>(side) * (position + type.width / 2.0f);
                position += type.width;
                const bool filled = side < 0 && i == 5;
                add_tooth(centre, type, true, filled);
                const bool missing = side > 0 && i == 5;
                if (!missing) {
                    ToothType lower = type;
                    if (i < 2) lower.width *= 0.85f;
                    add_tooth(centre, lower, false, false);
                }
            }
        }
    }

    void add_tooth(float centre, const ToothType& type, bool upper, bool filled) {
        const float x0 = px(centre);
        const float hw = type.width * half_ * 0.46f;
        const float edge = occlusal(centre) + (upper ? -4.0f : 4.0f);
        const float length = type.crown + type.root;
        const int xa = std::max(0, static_cast<int>(x0 - hw - 4));
        const int xb = std::min(columns_ - 1, static_cast<int>(x0 + hw + 4));
        const int ya = std::max(0, static_cast<int>(upper ? edge - length - 4 : edge - 4));
        const int yb =
            std::min(kSceneRows - 1, static_cast<int>(upper ? edge + 4 : edge + length + 4));
        for (int y = ya; y <= yb; ++y) {
            const float v = upper ? edge - static_cast<float>(y) : static_cast<float>(y) - edge;
            for (int x = xa; x <= xb; ++x) {
                const float dx = static_cast<float>(x) - x0;
                d(x, y) += tooth_density(dx, v, hw, type, filled);
            }
        }
    }

    static float tooth_density(float dx, float v, float hw, const ToothType& type, bool filled) {
        const float adx = std::fabs(dx);
        if (v < -2.0f || v > type.crown + type.root + 2.0f) return 0.0f;
        if (v <= type.crown) {
            // A rounded crown, narrowing towards the neck of the tooth.
            const float bulge = 0.45f * type.crown;
            float width = hw;
            if (v < bulge) {
                const float t = (bulge - v) / bulge;
                width *= std::sqrt(std::sqrt(std::max(0.0f, 1.0f - t * t * t * t))) * 0.85f + 0.15f;
            } else {
                width *= 1.0f - 0.2f * (v - bulge) / (type.crown - bulge);
            }
            const float inside = coverage(width - adx) * coverage(v + 1.0f);
            if (filled && dx > -0.3f * hw && dx < 0.35f * hw && v > 6.0f && v < 0.5f * type.crown)
                return kMetal * inside;
            float tissue = kDentin;
            if (v < 0.8f * type.crown && (adx > width - 12.0f || v < 14.0f)) tissue = kEnamel;
            if (v > 0.5f * type.crown && adx < 0.25f * hw) tissue = kPulp;
            return tissue * inside;
        }
        const float t = (v - type.crown) / type.root;
        const float apex = t > 0.85f ? std::sqrt(std::max(0.0f, 1.0f - (t - 0.85f) / 0.15f)) : 1.0f;
        if (type.roots == 1) {
            const float width = hw * 0.78f * (1.0f - 0.7f * t) * apex;
            const float inside = coverage(width - adx);
            const float canal = std::max(1.5f, width * 0.22f);
            return (adx < canal && t < 0.95f ? kPulp : kDentin) * inside;
        }
        const float offset = hw * 0.42f * (1.0f + 0.2f * t);
        const float width = hw * 0.36f * (1.0f - 0.6f * t) * apex;
        const float from_root = std::fabs(adx - offset);
        const float inside = coverage(width - from_root);
        const float canal = std::max(1.5f, width * 0.22f);
        return (from_root < canal && t < 0.95f ? kPulp : kDentin) * inside;
    }

    Scene finish(std::uint32_t seed) {
        Scene scene;
        scene.columns = columns_;
        scene.values.resize(density_.size());
        for (std::size_t i = 0; i < density_.size(); ++i)
            scene.values[i] = 1.0f - std::exp(-std::max(0.0f, density_[i]));
        blur(scene);
        SplitMix random(seed);
        for (float& value : scene.values)
            value = std::clamp(value + 0.006f * static_cast<float>(random.normal()), 0.0f, 1.0f);
        return scene;
    }

    // A 3 x 3 box blur: the sensor's own unsharpness.
    static void blur(Scene& scene) {
        const std::vector<float> source = scene.values;
        for (int y = 1; y < scene.rows - 1; ++y)
            for (int x = 1; x < scene.columns - 1; ++x) {
                float sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        sum += source[std::size_t(y + dy) * scene.columns + x + dx];
                scene.at(x, y) = sum / 9.0f;
            }
    }

  private:
    int columns_;
    float half_;
    std::vector<float> density_;
};

}  // namespace

Scene make_panoramic_scene(int columns, std::uint32_t seed) {
    SceneBuilder builder(std::max(columns, 16));
    builder.add_bones_and_soft_tissue();
    builder.add_teeth();
    return builder.finish(seed);
}

Landmark filling_landmark(int columns) {
    // Centre of the filled upper first molar on the left of the image.
    const float half = columns / 2.0f;
    const float centre = -(0.055f + 0.050f + 0.060f + 0.062f + 0.062f + 0.044f);
    const float occlusal = 640.0f - 55.0f * centre * centre;
    return {static_cast<int>(half + centre * half), static_cast<int>(occlusal - 4.0f - 20.0f)};
}

}  // namespace np::phantom
