# tests/win/installer/prefix_registrations_test.py: scripts/prefix_registrations.py tells a prefix whose
# product registrations name the installed files from one where a build's copies were registered over them.
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts"))
import prefix_registrations as pr  # noqa: E402

INSTALLED = r'''WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Brevolt\\Install] 1796864524
#time=1dd884212050e7c
"Addressbook"="C:\\Program Files\\Brevolt SMS\\Corvane.dll"
"DictFile"="C:\\Program Files\\Brevolt SMS\\SMSDictionary.txt"
"Penhold"="C:\\Program Files\\Brevolt SMS\\Penhold.dll"
"Resource"="C:\\Program Files\\Brevolt SMS\\Resource.dll"
"Version"="1.0.0.1"

[Software\\Classes\\CLSID\\{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}\\LocalServer32] 1796864524
#time=1dd884212050e7c
@="C:\\Program Files\\Brevolt SMS\\Quillet.exe"

[Software\\Classes\\TypeLib\\{5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}\\1.0\\0\\win64] 1796864524
@="C:\\Program Files\\Brevolt SMS\\Quillet.exe"

[Software\\Classes\\TypeLib\\{5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}\\1.0\\409\\win64] 1796864524
@="C:\\Program Files\\Brevolt SMS\\Quillet.exe"

[Software\\Microsoft\\Exchange\\Client\\Extensions] 1796864524
"Brevolt SMS"="4.0;C:\\Program Files\\Brevolt SMS\\BrevoltOutlook.dll;1;01000100000000;1111000"
"Other \"quoted\" one"="4.0;Z:\\elsewhere\\x.dll;1"
'''


class PrefixRegistrations(unittest.TestCase):
    def test_the_installed_products_registrations_pass(self):
        self.assertEqual(pr.elsewhere(INSTALLED), [])
        # Registry keys and paths compare without case, as Windows does; CRLF lines read the same.
        self.assertEqual(pr.elsewhere(INSTALLED.lower().replace("\n", "\r\n")), [])

    def test_a_builds_copies_registered_over_the_product_are_named(self):
        build = "Z:\\\\work\\\\build\\\\win64\\\\compose\\\\Quillet.exe"
        text = INSTALLED.replace(
            '@="C:\\\\Program Files\\\\Brevolt SMS\\\\Quillet.exe"\n\n[Software\\\\Classes\\\\TypeLib',
            '@="\\"%s\\""\n\n[Software\\\\Classes\\\\TypeLib' % build,
            1,
        ).replace(
            "4.0;C:\\\\Program Files\\\\Brevolt SMS\\\\BrevoltOutlook.dll",
            "4.0;Z:\\\\work\\\\build\\\\win64\\\\outlook\\\\BrevoltOutlook.dll",
        )
        found = pr.elsewhere(text)
        self.assertEqual(len(found), 2, found)
        self.assertIn("LocalServer32 [@]", found[0])
        self.assertIn("Quillet.exe", found[0])
        self.assertIn("Extensions [Brevolt SMS]", found[1])

    def test_missing_values_and_keys_are_named(self):
        no_resource = INSTALLED.replace('"Resource"="C:\\\\Program Files\\\\Brevolt SMS\\\\Resource.dll"\n', "")
        self.assertEqual(pr.elsewhere(no_resource), ["Software\\Brevolt\\Install [Resource]: missing"])
        self.assertEqual(len(pr.elsewhere("WINE REGISTRY Version 2\n")), len(pr.REGISTRATIONS))

    def test_a_value_of_the_same_name_in_another_key_does_not_count(self):
        moved = INSTALLED.replace("[Software\\\\Brevolt\\\\Install]", "[Software\\\\Brevolt\\\\Install\\\\Old]")
        self.assertEqual(len(pr.elsewhere(moved)), 4)

    def test_the_value_reader_keeps_escaped_quotes_and_names(self):
        values = pr.read_values(INSTALLED, {"Software\\Microsoft\\Exchange\\Client\\Extensions"})
        key = "software\\microsoft\\exchange\\client\\extensions"
        self.assertEqual(values[(key, 'other "quoted" one')], "4.0;Z:\\elsewhere\\x.dll;1")


if __name__ == "__main__":
    unittest.main()
