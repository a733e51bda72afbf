Attribute VB_Name = "Pathmr"
' The exports of Pathmr.dll (32-bit hosts) and Pathmr64.dll (64-bit hosts), for an add-in written
' in VBA: import this file as a module of its own. The host compiles only the branch for its own
' architecture (Win64 is true only in a 64-bit host; PtrSafe and LongPtr, for window handles, exist
' from VBA 7 on; the slide index, the position and the result stay Long in both). Every call must
' come from the host's user-interface thread; see ReadMe.txt for the rules.
Option Explicit

#If VBA7 And Win64 Then
Public Declare PtrSafe Sub InitializeSlideHistory Lib "Pathmr64.dll" (ByVal Presentation As Variant)
Public Declare PtrSafe Sub AddSlideHistory Lib "Pathmr64.dll" (ByVal SlideIndex As Long, ByVal Caption As String)
Public Declare PtrSafe Function ShowSlideHistory Lib "Pathmr64.dll" (ByVal ParentWindow As LongPtr, _
    ByVal CurrentPosition As Long) As Long
Public Declare PtrSafe Sub ShowAboutForm Lib "Pathmr64.dll" (ByVal ParentWindow As LongPtr)
Public Declare PtrSafe Sub InitializeProduct Lib "Pathmr64.dll" ()
Public Declare PtrSafe Sub ShutdownProduct Lib "Pathmr64.dll" ()
#ElseIf VBA7 Then
Public Declare PtrSafe Sub InitializeSlideHistory Lib "Pathmr.dll" (ByVal Presentation As Variant)
Public Declare PtrSafe Sub AddSlideHistory Lib "Pathmr.dll" (ByVal SlideIndex As Long, ByVal Caption As String)
Public Declare PtrSafe Function ShowSlideHistory Lib "Pathmr.dll" (ByVal ParentWindow As LongPtr, _
    ByVal CurrentPosition As Long) As Long
Public Declare PtrSafe Sub ShowAboutForm Lib "Pathmr.dll" (ByVal ParentWindow As LongPtr)
Public Declare PtrSafe Sub InitializeProduct Lib "Pathmr.dll" ()
Public Declare PtrSafe Sub ShutdownProduct Lib "Pathmr.dll" ()
#Else
Public Declare Sub InitializeSlideHistory Lib "Pathmr.dll" (ByVal Presentation As Variant)
Public Declare Sub AddSlideHistory Lib "Pathmr.dll" (ByVal SlideIndex As Long, ByVal Caption As String)
Public Declare Function ShowSlideHistory Lib "Pathmr.dll" (ByVal ParentWindow As Long, _
    ByVal CurrentPosition As Long) As Long
Public Declare Sub ShowAboutForm Lib "Pathmr.dll" (ByVal ParentWindow As Long)
Public Declare Sub InitializeProduct Lib "Pathmr.dll" ()
Public Declare Sub ShutdownProduct Lib "Pathmr.dll" ()
#End If
