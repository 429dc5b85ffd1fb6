// SPDX-License-Identifier: GPL-2.0-or-later
#include "metafile/MetafileToSvg.h"

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cstdlib>
#include <cstring>

namespace {

QByteArray fromWmf(const QByteArray &metafile)
{
    wmfAPI *api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_svg_function;
    // The library will not start without a font, even for a picture without text, and by default it
    // looks for Ghostscript's font map; name the fonts the setup installs instead.
    char fontDir[] = TALVERN_WMF_FONT_DIR;
    char *fontDirs[] = {fontDir, nullptr};
    char fontMap[] = TALVERN_WMF_FONT_MAP;
    options.fontdirs = fontDirs;
    options.gs_fontmap_file = fontMap;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_FONTDIRS | WMF_OPT_GS_FONTMAP;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return {};
    }
    QByteArray input = metafile; // the library wants a writable buffer
    QByteArray svg;
    wmfD_Rect bbox;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char *>(input.data()), long(input.size())) ==
            wmf_E_None &&
        wmf_scan(api, 0, &bbox) == wmf_E_None) {
        wmf_svg_t *device = WMF_SVG_GetData(api);
        device->out = wmf_stream_create(api, nullptr);
        device->Description = const_cast<char *>("Talvern preview");
        device->bbox = bbox;
        unsigned int width = 0;
        unsigned int height = 0;
        if (wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None && width > 0 && height > 0) {
            device->width = width;
            device->height = height;
            const bool played = wmf_play(api, 0, &bbox) == wmf_E_None;
            char *text = nullptr;
            unsigned long length = 0;
            wmf_stream_destroy(api, device->out, &text, &length);
            if (played && text)
                svg = QByteArray(text, qsizetype(length)); // the library owns and frees the text
        }
    }
    wmf_api_destroy(api);
    return svg;
}

QByteArray fromEmf(const QByteArray &metafile)
{
    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.nameSpace = const_cast<char *>("");
    options.svgDelimiter = true;
    options.emfplus = true;
    QByteArray input = metafile;
    char *text = nullptr;
    size_t length = 0;
    QByteArray svg;
    if (emf2svg(input.data(), size_t(input.size()), &text, &length, &options) && text)
        svg = QByteArray(text, qsizetype(length));
    std::free(text);
    return svg;
}

} // namespace

QByteArray MetafileToSvg::convert(const QByteArray &metafile, Kind kind)
{
    return kind == Kind::Wmf ? fromWmf(metafile) : fromEmf(metafile);
}
