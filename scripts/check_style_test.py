# scripts/check_style_test.py: what scripts/check-style finds in small sources: functions found
# through comments, literals, class bodies, namespaces, lambdas and macros; the limits at their
# edges; the raw release calls and where they are allowed; files clang-format would change.
# Runs with /usr/bin/python3 scripts/check_style_test.py (scripts/test runs it in its style step).
import importlib.machinery
import importlib.util
import os
import shutil
import tempfile
import unittest

_here = os.path.dirname(os.path.abspath(__file__))
_loader = importlib.machinery.SourceFileLoader("check_style", os.path.join(_here, "check-style"))
_spec = importlib.util.spec_from_loader("check_style", _loader)
cs = importlib.util.module_from_spec(_spec)
_loader.exec_module(cs)


def found(source):
    return cs.functions(cs.strip_preprocessor(cs.strip_code(source)))


def body(lines):
    return "".join("    x += %d;\n" % k for k in range(lines))


class FunctionScanTest(unittest.TestCase):
    def test_definitions_at_namespace_and_class_level_with_their_lines(self):
        source = """// a { in a comment
namespace outer
{
namespace
{
int Helper(int p_i)
{
    return p_i;
}
} // namespace

class CThing : public CBase
{
  public:
    CThing() : m_i{1}, m_s("}") {
    }
    [[nodiscard]] int Get() const
    {
        return m_i;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    bool operator()(int p_i) const { return p_i > 0; }
    enum class EKind { One, Two };
    int m_i{0};
    std::string m_s = "{";
};
} // namespace outer

int CThing::Compute(const char* p_sz) noexcept
{
    auto fn = [&](char c) { return c == '{'; };
    const char* raw = R"x(} } {)x";
    if (fn(p_sz[0]))
    {
        return 1'000;
    }
    return 0;
}

extern "C" int Exported(void) {
    return 0;
}
"""
        self.assertEqual(found(source), [
            ("Helper", 6, 9),
            ("CThing", 15, 16),
            ("Get", 17, 20),
            ("AddRef", 21, 21),
            ("operator()", 22, 22),
            ("CThing::Compute", 29, 38),
            ("Exported", 40, 42),
        ])

    def test_test_macros_are_named_with_their_arguments(self):
        source = "TEST_F(CFixture, DoesThings)\n{\n    EXPECT_TRUE(true);\n}\n"
        self.assertEqual(found(source), [("TEST_F(CFixture, DoesThings)", 1, 4)])

    def test_initializers_and_lambda_variables_are_not_functions(self):
        source = """const int kTable[] = {1, 2, {3}};
auto g_fn = [](int p_i) {
    return p_i;
};
std::function<void()> g_f{[] { }};
struct alignas(16) CBlock
{
    int Size() { return 16; }
};
"""
        self.assertEqual(found(source), [("Size", 8, 8)])

    def test_only_one_branch_of_a_conditional_counts(self):
        source = """#ifdef _WIN32
void Both(int p_a) {
#else
void Both(long p_a) {
#endif
    Call(p_a);
}
#define OPEN {
void After()
{
}
"""
        self.assertEqual(found(source), [("Both", 2, 7), ("After", 9, 11)])


class LimitsTest(unittest.TestCase):
    def test_functions_over_120_lines_are_reported_with_their_place_and_name(self):
        source = "void Short()\n{\n" + body(117) + "}\n\nvoid Long()\n{\n" + body(118) + "}\n"
        self.assertEqual(cs.check_text("a/long.cpp", source),
                         [("a/long.cpp", 122, "function Long has 121 lines (limit 120)")])

    def test_files_over_800_lines_are_reported(self):
        self.assertEqual(cs.check_text("a/b.h", "//\n" * 800), [])
        self.assertEqual(cs.check_text("a/b.h", "//\n" * 801), [("a/b.h", 1, "file has 801 lines (limit 800)")])


class ReleaseCallTest(unittest.TestCase):
    source = """void F(IUnknown* p_p, HANDLE h)
{
    // p_p->Release(); CloseHandle(h) in a comment
    Log("CloseHandle(h) failed");
    p_p->Release();
    ::CloseHandle(h);
    RegCloseKey (k);
    m_pUnknown -> Release();
    m_oOwner.CloseHandles();
    auto close = &DeleteDC;
}
"""

    def test_raw_calls_are_reported_outside_comments_and_literals(self):
        self.assertEqual([(line, text) for _, line, text in cs.check_text("compose/a.cpp", self.source)], [
            (5, "raw ->Release() outside the owner types"),
            (6, "raw CloseHandle() outside the owner types"),
            (7, "raw RegCloseKey() outside the owner types"),
            (8, "raw ->Release() outside the owner types"),
        ])

    def test_owner_types_may_and_stand_ins_may_release_com_objects(self):
        self.assertEqual(cs.check_text("common/handle_win.h", self.source), [])
        self.assertEqual([line for _, line, _ in cs.check_text("standins/mapi/a.cpp", self.source)], [6, 7])

    def test_calls_in_a_conditional_branch_still_count(self):
        source = "#ifdef _WIN32\nvoid A() { FreeLibrary(h); }\n#else\nvoid A() { dlclose(h); GlobalFree(g); }\n#endif\n"
        self.assertEqual([line for _, line, _ in cs.check_text("x.cpp", source)], [2, 4])


@unittest.skipUnless(shutil.which("clang-format"), "clang-format is not installed")
class FormatTest(unittest.TestCase):
    def test_files_clang_format_would_change_are_named_once(self):
        root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, root)
        shutil.copy(os.path.join(_here, "..", ".clang-format"), root)
        with open(os.path.join(root, "good.cpp"), "w") as f:
            f.write("// good.cpp\nint Good(int* p_p)\n{\n    return *p_p;\n}\n")
        with open(os.path.join(root, "bad.cpp"), "w") as f:
            f.write("int Bad(int *p_p) {\n  return *p_p;}\n")
        problems = cs.check_format(root, ["bad.cpp", "good.cpp"], shutil.which("clang-format"))
        self.assertEqual(len(problems), 1, problems)
        self.assertEqual(problems[0][:2], ("bad.cpp", 1))
        self.assertRegex(problems[0][2], r"^not formatted per \.clang-format \(\d+ places")


if __name__ == "__main__":
    unittest.main()
