#include "gfx/GlTextures.h"

#include <GL/gl.h>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QtTest>
#include <vector>

namespace vexlin::gfx {

// Textures as the model's meshes get them, read back from OpenGL.
class TextureUploadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QSurfaceFormat format;
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        context_.setFormat(format);
        QVERIFY(context_.create());
        surface_.setFormat(context_.format());
        surface_.create();
        QVERIFY(context_.makeCurrent(&surface_));
    }

    void packedRowsOfAnOddByteWidthArriveWhole_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bytesPerPixel");
        QTest::newRow("rgb") << int(GL_RGB) << 3;
        QTest::newRow("rgba") << int(GL_RGBA) << 4;
    }

    void packedRowsOfAnOddByteWidthArriveWhole() {
        QFETCH(int, format);
        QFETCH(int, bytesPerPixel);
        // Two pixels a row: six bytes for RGB, which the default unpack alignment would read as eight.
        PixelImage image;
        image.width = 2;
        image.height = 2;
        image.format = format == GL_RGB ? PixelFormat::Rgb : PixelFormat::Rgba;
        for (int i = 0; i < 4 * bytesPerPixel; ++i) {
            image.pixels.push_back(static_cast<std::uint8_t>(20 * i + 5));
        }
        GlTextureMaker maker;
        const std::uint32_t name = maker.make(image);
        QVERIFY(name != 0);
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        QCOMPARE(minFilter, GLint(GL_LINEAR));
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        QCOMPARE(alignment, 4); // given back as it was

        std::vector<std::uint8_t> back(image.pixels.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, static_cast<GLenum>(format), GL_UNSIGNED_BYTE, back.data());
        QCOMPARE(back, image.pixels);
        GLint smallest = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &smallest);
        QCOMPARE(smallest, 1); // the mipmaps are built
        maker.deleteAll();
        QCOMPARE(glIsTexture(name), GLboolean(GL_FALSE));
    }

private:
    QOpenGLContext context_;
    QOffscreenSurface surface_;
};

} // namespace vexlin::gfx

QTEST_MAIN(vexlin::gfx::TextureUploadTest)
#include "TextureUploadTest.moc"
