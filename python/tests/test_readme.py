"""The examples of docs/install.md are the ones the tests run."""
import contextlib
import io
import os
import re
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def readme():
    with open(os.path.join(ROOT, "docs", "install.md"), encoding="utf-8") as f:
        return f.read()


class ReadmeExamples(unittest.TestCase):
    def test_python_example_prints_what_the_readme_shows(self):
        text = readme()
        section = text[text.index("## From Python"):]
        code = re.search(r"```python\n(.*?)```", section, re.S).group(1)
        shown = re.search(r"prints\n\n```\n(.*?)```", section[section.index(code):], re.S).group(1)
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            exec(compile(code, "README.md", "exec"), {})
        self.assertEqual(out.getvalue(), shown)

    def test_feature_table_examples_print_what_they_show(self):
        text = readme()
        section = text[text.index("## Feature tables, on all cores"):]
        blocks = re.findall(r"```python\n(.*?)```\n\nprints\n\n```\n(.*?)```", section, re.S)
        self.assertEqual(len(blocks), 2)
        try:
            import pandas  # noqa: F401
        except ImportError:
            self.skipTest("pandas is not installed")
        names = {}
        for number, (code, shown) in enumerate(blocks):
            if number == 1:
                try:
                    import distributed  # noqa: F401
                except ImportError:
                    self.skipTest("python3-distributed is not installed")
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                exec(compile(code, "install.md", "exec"), names)
            self.assertEqual(out.getvalue(), shown)

    def test_c_consumer_in_the_readme_is_the_tested_one(self):
        text = readme()
        for name in ("consumer.c", "reader.c", "CMakeLists.txt"):
            with open(os.path.join(ROOT, "tests", "consumer", name), encoding="utf-8") as f:
                self.assertIn(f.read(), text, name)


if __name__ == "__main__":
    unittest.main()
