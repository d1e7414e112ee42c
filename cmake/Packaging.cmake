# Debian packages: `cpack -G DEB` in a build folder makes one package per install component,
#   tessaly-cli      the command-line tool, free of Qt
#   tessaly          the desktop app (when TESSALY_GUI is on)
#   python3-tessaly  the Python module (when TESSALY_PYTHON is on), free of Qt
# Their version is the project's, without a Debian revision: the packaging is ours, so they are native
# packages and packaging/changelog is their changelog.gz. scripts/check-packages.sh builds and checks them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR "The Tessaly developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders made by the install are 0755 whatever the umask of whoever builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tessaly-cli)
if(TESSALY_GUI)
  list(APPEND CPACK_COMPONENTS_ALL tessaly)
endif()
if(TESSALY_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python3-tessaly)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tessaly developers <tessaly@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (dpkg-dev) finds the Depends of each package from the libraries its programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_TESSALY-CLI_PACKAGE_NAME tessaly-cli)
set(CPACK_DEBIAN_TESSALY-CLI_DESCRIPTION "make depth maps from stereo pairs of photographs
Tessaly turns a stereo pair of photographs (a left and a right image of one
scene) into depth maps: grey images whose levels stand for each pixel's
parallax between the two views.
.
This package holds tessaly-cli, the command-line tool, for scripts and
whole folders of pairs: it makes depth maps, outline and gradient images
and smoothed depth maps, splits MPO and JPS stereo files into their views,
and can report each job as JSON. It needs no graphical environment.")

set(CPACK_DEBIAN_TESSALY_PACKAGE_NAME tessaly)
set(CPACK_DEBIAN_TESSALY_DESCRIPTION "desktop app to make depth maps from stereo photographs
Tessaly turns a stereo pair of photographs (a left and a right image of one
scene) into depth maps: grey images whose levels stand for each pixel's
parallax between the two views.
.
This package holds the desktop app: open a pair or a stereo file, set the
fragment size, the parallax limits and the balance of quality and speed,
make the depth map of either side, smooth it and preview the result. The
command-line tool is in the package tessaly-cli.")

if(TESSALY_PYTHON)
  set(CPACK_DEBIAN_PYTHON3-TESSALY_PACKAGE_NAME python3-tessaly)
  set(CPACK_DEBIAN_PYTHON3-TESSALY_PACKAGE_SECTION python)
  # The extension is built for the ABI of one CPython, the one the build found, so the package holds to that
  # minor version. numpy is imported at run time, not linked: shlibdeps cannot see it.
  math(EXPR next_minor "${Python_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON3-TESSALY_PACKAGE_DEPENDS "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}~), \
python3 (<< ${Python_VERSION_MAJOR}.${next_minor}), python3-numpy")
  set(CPACK_DEBIAN_PYTHON3-TESSALY_DESCRIPTION "Python 3 module to make depth maps from stereo photographs
Tessaly turns a stereo pair of photographs (a left and a right image of one
scene) into depth maps: grey images whose levels stand for each pixel's
parallax between the two views.
.
This package holds the Python 3 module tessaly, which works on NumPy arrays
and gives the same results as tessaly-cli: it reads and writes images,
makes depth maps, outline images and smoothed depth maps, and splits MPO
and JPS stereo files into their views.")
  unset(next_minor)
endif()

include(CPack)
