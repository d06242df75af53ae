#include "app/model/face_square.h"

#include <gtest/gtest.h>

TEST(FaceSquare, PlacesTheFaceAndStaysInsideThePicture) {
    const struct {
        const char* name;
        int64_t x, y, w, h, width, height;
        CropSquare square;
    } cases[] = {
        {"room all round", 450, 300, 100, 100, 1200, 900, {390, 251, 220}},
        {"odd sizes round to nearest", 200, 200, 45, 45, 1000, 1000, {173, 178, 99}},
        {"top-left corner", 10, 5, 100, 100, 1200, 900, {0, 0, 220}},
        {"bottom-right corner", 1150, 850, 100, 100, 1200, 900, {980, 680, 220}},
        {"side capped by the height", 100, 100, 500, 500, 800, 600, {50, 0, 600}},
        {"face larger than the shorter side", 300, 0, 400, 400, 1000, 300, {350, 0, 300}},
    };
    for (const auto& c : cases) {
        const CropSquare s = square_on_face(c.x, c.y, c.w, c.h, c.width, c.height);
        EXPECT_EQ(s.XS, c.square.XS) << c.name;
        EXPECT_EQ(s.YS, c.square.YS) << c.name;
        EXPECT_EQ(s.side, c.square.side) << c.name;
    }
}
