<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- A translation as a user or a distribution would install it, for the string table's test. -->
<TS version="2.1" language="de_DE">
<context>
    <name>Localizable</name>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
</context>
</TS>
