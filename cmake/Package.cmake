# The Debian package (cpack -G DEB).
