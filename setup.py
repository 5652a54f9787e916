"""The wheel's toolkit: CMake builds libformix, which goes into the package
as formix32/lib/libformix.so.0 with the shipped data files in
formix32/share/formix32 (where the library looks for them: beside itself,
in ../share/formix32).  Everything else is in pyproject.toml."""
import glob
import os
import shutil
import subprocess
import tempfile

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

ROOT = os.path.dirname(os.path.abspath(__file__))


class BuildWithToolkit(build_py):
    def run(self):
        super().run()
        package = os.path.join(self.build_lib, "formix32")
        with tempfile.TemporaryDirectory() as build:
            subprocess.check_call(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                                   "-DFORMIX_BUILD_TESTS=OFF", "-DFORMIX_BUILD_TOOL=OFF", "-DFORMIX_BUILD_SQLITE=OFF"])
            subprocess.check_call(["cmake", "--build", build, "--target", "formix_toolkit", "formix32_data", "-j2"])
            os.makedirs(os.path.join(package, "lib"), exist_ok=True)
            library = max(glob.glob(os.path.join(build, "lib", "libformix.so.*")), key=len)
            shutil.copyfile(library, os.path.join(package, "lib", "libformix.so.0"))
            shutil.copytree(os.path.join(build, "share", "formix32"), os.path.join(package, "share", "formix32"),
                            dirs_exist_ok=True)


class BinaryDistribution(Distribution):
    """A wheel for this platform: the package holds a compiled library."""

    def has_ext_modules(self):
        return True


# Its own build folder: build/ is CMake's.
BUILD = os.path.join(ROOT, "build-python")
os.makedirs(BUILD, exist_ok=True)
setup(cmdclass={"build_py": BuildWithToolkit}, distclass=BinaryDistribution,
      options={"build": {"build_base": BUILD}, "egg_info": {"egg_base": BUILD}})
