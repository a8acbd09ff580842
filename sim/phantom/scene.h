// A synthetic panoramic scene: what a well-exposed dental panoramic image of a
// plastic skull would show. Values are display brightness, 0 (air, black) to
// 1 (metal, white); row 0 is the top of the image, column 0 its left edge.
#pragma once

#include <cstdint>
#include <vector>

namespace np::phantom {

inline constexpr int kSceneRows = 1244;

struct Scene {
    int columns = 0;
    int rows = kSceneRows;
    std::vector<float> values;  // row-major

    float at(int column, int row) const { return values[std::size_t(row) * columns + column]; }
    float& at(int column, int row) { return values[std::size_t(row) * columns + column]; }
};

// Dental arch with crowns and roots, maxilla and mandible, soft tissue and air,
// a metal filling in an upper molar on the left of the image, a missing lower tooth
// on the right, a little noise. The same seed gives the same scene.
Scene make_panoramic_scene(int columns, std::uint32_t seed = 1);

// Where the filling sits (for tests that check the orientation).
struct Landmark {
    int column;
    int row;
};
Landmark filling_landmark(int columns);

}  // namespace np::phantom
