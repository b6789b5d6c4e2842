<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>Current color</source>
        <translation>Current color</translation>
    </message>
    <message>
        <source>Current pen color</source>
        <translation>Current pen color</translation>
    </message>
    <message>
        <source>Pen</source>
        <translation>Pen</translation>
    </message>
    <message>
        <source>Current pen</source>
        <translation>Current pen</translation>
    </message>
    <message>
        <source>Curret pen</source>
        <translation>Current pen</translation>
    </message>
    <message>
        <source>Brush size</source>
        <translation>Brush size</translation>
    </message>
    <message>
        <source>Current brush size</source>
        <translation>Current brush size</translation>
    </message>
    <message>
        <source>Current pen&apos;s brush size</source>
        <translation>Current pen&apos;s brush size</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>Background type</source>
        <translation>Background type</translation>
    </message>
    <message>
        <source>Window background type</source>
        <translation>Window background type</translation>
    </message>
    <message>
        <source>The image will be resized or cropped to the size (%d, %d).
This action is not undoable.

Continue?</source>
        <translation>The image will be resized or cropped to the size (%d, %d).
This action is not undoable.

Continue?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
