#!/usr/bin/python3
# tests/win/installer/package_tables_test.py PLATFORM MSI: the tables of a package (x64 or x86), read
# with msiinfo, hold what a PC of their platform needs: the platform's folders and registry view, every
# installed file, the Install values (the version equal to the package's), the compose server's
# registration for the platform's type-library kind, the client-extension value, the Start-menu
# shortcut and the upgrade of older versions. Exits 77 when the package has not been built.
import os
import re
import subprocess
import sys
import unittest

PACKAGES = {}

FILES = {"Corvane.dll", "Quillet.exe", "BrevoltOutlook.dll", "Penhold.dll", "Launcher.exe", "Runbay.exe", "Latchkit.dll",
         "Resource.dll", "SMSDictionary.txt", "AppointmentNoRemindNoAttendee.oft", "AppointmentYesRemindNoAttendee.oft",
         "AppointmentYesRemindYesAttendee.oft", "TaskNoRemind.oft", "TaskYesRemind2.oft"}
INSTALL_VALUES = {"Version": None, "Addressbook": "[#Corvane.dll]", "Penhold": "[#Penhold.dll]",
                  "Resource": "[#Resource.dll]", "DictFile": "[#SMSDictionary.txt]",
                  "AppointmentNoRemindNoAttendeeOFT": "[#AppointmentNoRemindNoAttendee.oft]",
                  "AppointmentYesRemindNoAttendeeOFT": "[#AppointmentYesRemindNoAttendee.oft]",
                  "AppointmentYesRemindYesAttendeeOFT": "[#AppointmentYesRemindYesAttendee.oft]",
                  "TaskNoRemindOFT": "[#TaskNoRemind.oft]", "TaskYesRemind2OFT": "[#TaskYesRemind2.oft]"}
PLATFORMS = {
    "x64": {"template": "x64;1033", "folder": "ProgramFiles64Folder", "component_bits": 256, "syskind": "win64",
            "upgrade_code": "{AD18481A-2F79-40B0-9115-436BF308A9DE}"},
    "x86": {"template": "Intel;1033", "folder": "ProgramFilesFolder", "component_bits": 0, "syskind": "win32",
            "upgrade_code": "{407CA50D-E2B4-4B97-B2A4-6093112262BE}"},
}


def table(path, name):
    """The rows of one table as lists of columns (msiinfo's three header lines dropped)."""
    text = subprocess.run(["msiinfo", "export", path, name], check=True, capture_output=True, text=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:] if line]


def summary(path):
    text = subprocess.run(["msiinfo", "suminfo", path], check=True, capture_output=True, text=True).stdout
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


class PackageTables(unittest.TestCase):
    def each(self):
        for platform, path in PACKAGES.items():
            with self.subTest(platform=platform):
                yield PLATFORMS[platform], path

    def test_platform_folders_view_and_summary(self):
        for expected, path in self.each():
            self.assertEqual(summary(path)["Template"], expected["template"])
            directories = {row[0]: row[1] for row in table(path, "Directory")}
            self.assertEqual(directories["INSTALLDIR"], expected["folder"])
            # Every component is of the platform's view, but for the x64 package's 32-bit view of the
            # compose server's interface.
            bits = {row[0]: int(row[3]) & 256 for row in table(path, "Component")}
            self.assertEqual(bits.pop("QuilletInterface32", 0), 0)
            self.assertEqual(set(bits.values()), {expected["component_bits"]})

    def test_every_file_is_packaged(self):
        for _, path in self.each():
            self.assertEqual({row[2].split("|")[-1] for row in table(path, "File")}, FILES)

    def test_install_values_and_version(self):
        for _, path in self.each():
            properties = dict(row[:2] for row in table(path, "Property"))
            version = properties["ProductVersion"]
            self.assertRegex(os.path.basename(path), re.escape(version))
            values = {row[3]: row[4] for row in table(path, "Registry")
                      if row[1] == "2" and row[2] == r"Software\Brevolt\Install"}
            self.assertEqual(set(values), set(INSTALL_VALUES))
            for name, value in INSTALL_VALUES.items():
                self.assertEqual(values[name], value or version, name)

    def test_compose_server_and_plugin_registration(self):
        for expected, path in self.each():
            rows = table(path, "Registry")
            classes = {(row[2], row[3]): row[4] for row in rows if row[1] == "0"}
            clsid = r"CLSID\{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}"
            self.assertEqual(classes[(clsid + r"\LocalServer32", "")], "[#Quillet.exe]")
            self.assertEqual(classes[(clsid, "AppID")], "{AABC1CA9-D4DD-4A5F-B3AD-E47C7FD5EE3E}")
            self.assertEqual(classes[(clsid + r"\Programmable", "*")], "")
            typelib = r"TypeLib\{5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}\1.0"
            for lcid in ("409", "0"):
                self.assertEqual(classes[(typelib + "\\" + lcid + "\\" + expected["syskind"], "")], "[#Quillet.exe]")
            extensions = [row for row in rows if row[2] == r"Software\Microsoft\Exchange\Client\Extensions"]
            self.assertEqual([(row[1], row[3], row[4]) for row in extensions],
                             [("2", "Brevolt SMS", "4.0;[#BrevoltOutlook.dll];1;01000100000000;1111000")])

    def test_shortcut_and_upgrade(self):
        for expected, path in self.each():
            shortcuts = table(path, "Shortcut")
            self.assertEqual([(row[1], row[2], row[4]) for row in shortcuts],
                             [("ProgramMenuFolder", "Outlook Express with SMS", "[#Runbay.exe]")])
            properties = dict(row[:2] for row in table(path, "Property"))
            self.assertEqual(properties["UpgradeCode"], expected["upgrade_code"])
            self.assertEqual(properties["ALLUSERS"], "1")
            upgrades = {row[6]: row for row in table(path, "Upgrade")}
            self.assertEqual(upgrades["WIX_UPGRADE_DETECTED"][2], properties["ProductVersion"])
            actions = {row[0] for row in table(path, "InstallExecuteSequence")}
            self.assertIn("RemoveExistingProducts", actions)


if __name__ == "__main__":
    platform, package = sys.argv[1:3]
    if not os.path.exists(package):
        print("the %s package is not built: %s" % (platform, package))
        sys.exit(77)
    PACKAGES[platform] = package
    unittest.main(argv=sys.argv[:1])
