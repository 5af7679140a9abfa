#pragma once
// The chart picture as a GIF file. The colours are reduced to a palette of
// at most 256 entries by libimagequant with the six colours of the chart
// (black, white, red, green, blue, purple) held exactly, so lines and flat
// areas keep their colours and the anti-aliased text keeps its shades. No
// colour is stored as transparent.

#include <QImage>
#include <QString>

// The six colours every chart palette holds.
extern const QRgb kChartColours[6];

// Writes image to fileName, replacing any file of that name. The file is
// created with the user's normal permissions (0666 less the umask). Throws
// KeloError with the system's reason when the file cannot be written; a
// partly written file is removed.
void WriteChartGif(const QImage &image, const QString &fileName);
