#include "ChartGif.h"

#include "KeloError.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gif_lib.h>
#include <libimagequant.h>
#include <memory>
#include <unistd.h>
#include <vector>

const QRgb kChartColours[6] = {qRgb(0, 0, 0),   qRgb(255, 255, 255), qRgb(255, 0, 0),
                               qRgb(0, 128, 0), qRgb(0, 0, 255),     qRgb(128, 0, 128)};

namespace {

struct LiqDeleter {
    void operator()(liq_attr *a) const { liq_attr_destroy(a); }
    void operator()(liq_image *i) const { liq_image_destroy(i); }
    void operator()(liq_result *r) const { liq_result_destroy(r); }
};

[[noreturn]] void Fail(const QString &fileName, const QString &reason)
{
    throw KeloError(QStringLiteral("无法写入图片文件“%1”：%2").arg(fileName, reason));
}

struct Quantized {
    std::vector<unsigned char> indices;
    std::vector<GifColorType> palette;
};

Quantized Quantize(const QImage &source)
{
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    const int w = rgba.width(), h = rgba.height();
    std::vector<void *> rows(h);
    for (int y = 0; y < h; ++y)
        rows[y] = const_cast<uchar *>(rgba.constScanLine(y));

    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    liq_set_max_colors(attr.get(), 256);
    std::unique_ptr<liq_image, LiqDeleter> image(
        liq_image_create_rgba_rows(attr.get(), rows.data(), w, h, 0));
    if (!image)
        throw KeloError(QStringLiteral("图片无法转换为 GIF 调色板"));
    for (QRgb c : kChartColours)
        liq_image_add_fixed_color(image.get(), liq_color{uchar(qRed(c)), uchar(qGreen(c)), uchar(qBlue(c)), 255});
    liq_result *raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        throw KeloError(QStringLiteral("图片无法转换为 GIF 调色板"));
    std::unique_ptr<liq_result, LiqDeleter> result(raw);
    // No dithering: flat areas and lines map to their exact entries.
    liq_set_dithering_level(result.get(), 0.0f);

    Quantized q;
    q.indices.resize(std::size_t(w) * h);
    if (liq_write_remapped_image(result.get(), image.get(), q.indices.data(), q.indices.size()) != LIQ_OK)
        throw KeloError(QStringLiteral("图片无法转换为 GIF 调色板"));
    const liq_palette *palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i)
        q.palette.push_back(GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    return q;
}

}  // namespace

void WriteChartGif(const QImage &image, const QString &fileName)
{
    const QImage source = image.isNull() ? QImage(1, 1, QImage::Format_RGB32) : image;
    const Quantized q = Quantize(source);
    const int w = source.width(), h = source.height();

    // A GIF colour table has a power-of-two size of at least 2 entries.
    int tableSize = 2;
    while (tableSize < int(q.palette.size()))
        tableSize *= 2;
    std::vector<GifColorType> table(tableSize, GifColorType{0, 0, 0});
    std::copy(q.palette.begin(), q.palette.end(), table.begin());

    const QByteArray path = QFile::encodeName(fileName);
    // giflib's own file opening creates 0600; the user's umask decides here.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail(fileName, QString::fromLocal8Bit(std::strerror(errno)));

    int error = 0;
    GifFileType *gif = EGifOpenFileHandle(fd, &error);
    if (!gif) {
        ::close(fd);
        ::unlink(path.constData());
        Fail(fileName, QString::fromLatin1(GifErrorString(error)));
    }
    ColorMapObject *map = GifMakeMapObject(tableSize, table.data());
    bool ok = map && EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK
              && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, const_cast<GifPixelType *>(q.indices.data() + std::size_t(y) * w), w) == GIF_OK;
    const int writeError = gif->Error;
    const int savedErrno = errno;
    GifFreeMapObject(map);
    int closeError = 0;
    const bool closed = EGifCloseFile(gif, &closeError) == GIF_OK;  // closes fd
    if (!ok || !closed) {
        ::unlink(path.constData());
        const int code = !ok ? writeError : closeError;
        Fail(fileName, code == E_GIF_ERR_WRITE_FAILED ? QString::fromLocal8Bit(std::strerror(savedErrno))
                                                       : QString::fromLatin1(GifErrorString(code)));
    }
}
