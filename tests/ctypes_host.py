"""A Python host loads the shared library through ctypes, as a fresh process."""
import ctypes
import sys

lib = ctypes.CDLL(sys.argv[1])
lib.MolarMass.restype = ctypes.c_double
lib.MolarMass.argtypes = [ctypes.c_char_p]

MESSAGE = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_void_p)
BEEP = ctypes.CFUNCTYPE(None, ctypes.c_void_p)
seen = []
on_message = MESSAGE(lambda text, caption, _: seen.append((text, caption)))
on_beep = BEEP(lambda _: seen.append("beep"))
lib.SetNotifier(on_message, on_beep, None)

mass = lib.MolarMass(b"CuSO4*5H2O")
print(f"CuSO4*5H2O {mass:.2f}")
assert f"{mass:.2f}" == "249.68", mass
assert seen == [], seen

lib.MolarMass("Ph2Xx".encode("cp1251"))
expected = "Xx - неизвестный элемент или группа атомов. Повторите ввод.".encode("cp1251")
assert seen == ["beep", "beep", (expected, "Ошибка при вводе".encode("cp1251"))], seen
print("ctypes ok")
