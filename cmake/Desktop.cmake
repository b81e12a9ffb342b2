# Desktop integration: icon, desktop entry, mime type, metainfo, help pages.
