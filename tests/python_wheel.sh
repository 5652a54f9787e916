#!/usr/bin/env sh
# The Python package as a new user installs it: the wheel built offline
# (python3 -m build --no-isolation --wheel, with Debian's python3-build,
# python3-setuptools and python3-wheel), installed into a fresh virtual
# environment, imported from another folder with no environment variable;
# then `pip install .` the same way.  77 ("skipped") without those.
# usage: tests/python_wheel.sh WORK_DIR
set -eu
python=/usr/bin/python3
root=$(cd "$(dirname "$0")/.." && pwd)
work=$1
for module in build venv setuptools wheel; do
  "$python" -c "import $module" 2>/dev/null || { echo "$python lacks $module: skipped"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work"
cd "$root"
"$python" -m build --no-isolation --wheel --outdir "$work/dist" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
"$python" -m venv "$work/venv"
"$work/venv/bin/pip" install --no-index "$work"/dist/formix32-*.whl >"$work/pip.log"
"$python" -m venv --system-site-packages "$work/venv-source"
"$work/venv-source/bin/pip" install --no-index --no-build-isolation "$root" >"$work/pip-source.log" 2>&1 ||
  { cat "$work/pip-source.log"; exit 1; }
cd /
for venv in venv venv-source; do
  # CuSO4·5H2O: 63.546 + 32.06 + 9 x 15.999 + 10 x 1.008; the library and
  # the data files from inside the installed package.
  env -u FORMIX_LIBRARY -u FORMIX32_DATA_DIR -u PYTHONPATH "$work/$venv/bin/python" -c "
import formix32, os
assert abs(formix32.molar_mass('CuSO4·5H₂O') - (63.546 + 32.06 + 9 * 15.999 + 10 * 1.008)) < 1e-9
assert formix32.library_path.startswith('$work/$venv/') and '/formix32/lib/' in formix32.library_path
assert formix32.masses_file().startswith('$work/$venv/'), formix32.masses_file()
assert formix32.sequence('GGG').hill == 'C6H11N3O4'  # residues.txt from the package
print('$venv:', formix32.library_path)
"
done
# Arrays in and out where NumPy is there (Debian's python3-numpy and
# python3-pandas, seen through --system-site-packages): a Series of
# formulas, a float array back, NaN for an error and a missing value.
if "$work/venv-source/bin/python" -c "import numpy, pandas" 2>/dev/null; then
  env -u FORMIX_LIBRARY -u PYTHONPATH "$work/venv-source/bin/python" -W ignore -c "
import formix32, numpy, pandas
m = formix32.molar_masses(pandas.Series(['H2O', 'Xx', None, 'NaCl']))
assert isinstance(m, numpy.ndarray) and m.dtype == numpy.float64
assert m[0] == 2 * 1.008 + 15.999 and m[3] == 22.98976928 + 35.45 and numpy.isnan(m[1:3]).all(), m
assert isinstance(formix32.molar_masses(numpy.array(['H2O', 'CO2'])), numpy.ndarray)
# Every missing value pandas and NumPy write is NaN: None, NaN, pd.NA, pd.NaT, NumPy's float32 NaN.
missing = [None, float('nan'), pandas.NA, pandas.NaT, numpy.float32('nan'), numpy.nan]
for call in (formix32.molar_masses, formix32.monoisotopic_masses):
    v = call(pandas.Series(['H2O'] + missing, dtype=object))
    assert v[0] > 18 and numpy.isnan(v[1:]).all(), (call, v)
assert formix32.hill_formulas(['H2O'] + missing) == ['H2O'] + [None] * len(missing)
print('arrays: a Series in, a float array out; every missing value NaN')
"
else
  echo "no NumPy and pandas for $python: the arrays are not checked"
fi
