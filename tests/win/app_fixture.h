// The application's state as start-up leaves it, for tests of the loading,
// crop and render handlers without the main window.
#pragma once

#include <gtest/gtest.h>

#include "app/model/state.h"
#include "app/picture/gdiplus_codes.h"
#include "core/dynlib.h"
#include "core/memory.h"
#include "image/image.h"

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        static bool libraries = false;
        if (!libraries) {
            load_alpha_blend();
            init_image_library();
            init_dynamic_libraries();
            libraries = true;
        }
        clear_app_state();
        set_pixel_format_table();
        set_app_defaults();
        allocate_pixel_buffers();
        app.output_image = create_image(AUTO_ID, 600, 600, 32);
    }
    void TearDown() override {
        free_all_images();
        free_memory(app.source_buffer);
        free_memory(app.output_buffer);
        clear_app_state();
    }
};
