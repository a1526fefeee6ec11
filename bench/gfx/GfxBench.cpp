#include "gfx/GlSink.h"
#include "gfx/GlTextures.h"
#include "gfx/PlayerModel.h"
#include "platform/DataFiles.h"
#include "support/QtBenchMain.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

namespace {

using namespace vexlin::gfx;

DataLocator sourceTree() {
    return [](std::string_view written) {
        return (std::filesystem::path(VEXLIN_SOURCE_DIR) / vexlin::platform::normaliseDataPath(written))
            .string();
    };
}

struct DecodeOnlyMaker final : TextureMaker {
    std::uint32_t make(const PixelImage& image) override {
        return static_cast<std::uint32_t>(image.pixels.size());
    }
};

// Sums what the drawing hands over, so that nothing of the interpolation can be optimised away, and calls no
// OpenGL: the time it takes is the frame's time outside OpenGL.
struct SummingSink {
    float sum = 0;
    void bindTexture(std::uint32_t name) { sum += static_cast<float>(name); }
    void begin() {}
    void texCoord(float s, float t) { sum += s + t; }
    void normal(float x, float y, float z) { sum += x + y + z; }
    void vertex(float x, float y, float z) { sum += x + y + z; }
    void end() {}
    void pushMatrix() {}
    void multMatrix(const float* m) { sum += m[12]; }
    void popMatrix() {}
};

void load(Q3Player& player, Md3Model& weapon, TextureMaker& maker) {
    LoadContext context{maker, sourceTree(), {}};
    if (LoadPlayerModel(player, "data\\model\\sarge\\", "default", context) ||
        LoadWeaponModel(weapon, player, context) || !context.messages.empty()) {
        std::abort();
    }
}

// An offscreen OpenGL context with a framebuffer of the window's client size, as the window draws.
struct GlScene {
    QOpenGLContext context;
    QOffscreenSurface surface;
    std::unique_ptr<QOpenGLFramebufferObject> frame;

    bool start() {
        QSurfaceFormat format;
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setDepthBufferSize(24);
        context.setFormat(format);
        if (!context.create()) {
            return false;
        }
        surface.setFormat(context.format());
        surface.create();
        if (!context.makeCurrent(&surface)) {
            return false;
        }
        frame = std::make_unique<QOpenGLFramebufferObject>(QSize(809, 590),
                                                           QOpenGLFramebufferObject::CombinedDepthStencil);
        frame->bind();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glEnable(GL_TEXTURE_2D);
        glShadeModel(GL_SMOOTH);
        glViewport(0, 0, 809, 614);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 809.0 / 614.0, 1.0, 500.0);
        glMatrixMode(GL_MODELVIEW);
        return true;
    }
};

void BM_LoadCharacterAndWeaponDecodeOnly(benchmark::State& state) {
    for (auto _ : state) {
        DecodeOnlyMaker maker;
        auto player = std::make_unique<Q3Player>();
        Md3Model weapon;
        load(*player, weapon, maker);
        benchmark::DoNotOptimize(player->lower.meshes.data());
    }
}
BENCHMARK(BM_LoadCharacterAndWeaponDecodeOnly)->Unit(benchmark::kMillisecond);

// Paid once, by the first loading of the program: the other loadings find the table built.
void BM_BuildNormalTable(benchmark::State& state) {
    for (auto _ : state) {
        BuildNormalTable();
        benchmark::DoNotOptimize(normalTable()[1][1][0]);
    }
}
BENCHMARK(BM_BuildNormalTable)->Unit(benchmark::kMillisecond);

// The whole loading as the window does it: textures uploaded with their mipmaps.
void BM_LoadCharacterAndWeaponWithTextures(benchmark::State& state) {
    GlScene gl;
    if (!gl.start()) {
        state.SkipWithError("no OpenGL context (run under a display)");
        return;
    }
    for (auto _ : state) {
        GlTextureMaker maker;
        auto player = std::make_unique<Q3Player>();
        Md3Model weapon;
        load(*player, weapon, maker);
        glFinish();
        state.PauseTiming();
        state.counters["textures"] = static_cast<double>(maker.madeCount());
        maker.deleteAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadCharacterAndWeaponWithTextures)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame's work outside OpenGL: advancing the parts, interpolating every vertex, the tag matrices.
void BM_FrameOutsideOpenGl(benchmark::State& state) {
    DecodeOnlyMaker maker;
    auto player = std::make_unique<Q3Player>();
    Md3Model weapon;
    load(*player, weapon, maker);
    float time = 0;
    SummingSink sink;
    for (auto _ : state) {
        time += 0.002f;
        AnimateAndRender(*player, time, sink);
    }
    benchmark::DoNotOptimize(sink.sum);
}
BENCHMARK(BM_FrameOutsideOpenGl)->Unit(benchmark::kMicrosecond);

// One whole frame as the window draws it, finished by OpenGL; frames per second = 1 / this time.
void BM_FrameWithOpenGl(benchmark::State& state) {
    GlScene gl;
    if (!gl.start()) {
        state.SkipWithError("no OpenGL context (run under a display)");
        return;
    }
    GlTextureMaker maker;
    auto player = std::make_unique<Q3Player>();
    Md3Model weapon;
    load(*player, weapon, maker);
    float time = 0;
    ImmediateGl sink;
    for (auto _ : state) {
        time += 0.002f;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, -10, -110);
        glRotatef(-90, 1, 0, 0);
        glRotatef(-85, 0, 0, 1);
        AnimateAndRender(*player, time, sink);
        glFinish();
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    maker.deleteAll();
}
BENCHMARK(BM_FrameWithOpenGl)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return vexlin::bench::runWithApplication<QGuiApplication>(argc, argv);
}
