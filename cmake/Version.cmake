# The program's version, in one place. Everything that states a version is made from it:
# the version resource, the manifest, the shipped descriptor latest.xml, the installer and
# the names of the shipped files. Included before project(), so only plain set() here.
set(HUSHBAR_VERSION 2.2.0)
