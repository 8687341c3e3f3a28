#pragma once
// Resource ids of SetUp.exe: shared by SetUp.rc (through the resource compiler's preprocessor) and by
// the C++ code, hence plain macros. Control ids are reused across the pages with different meanings,
// so every control has a name that says its page.

// Dialog templates, bitmap and icon.
#define IDI_MAINFRAME 1
#define IDD_PAGE1 136
#define IDD_PAGE2 141
#define IDD_PAGE3 142
#define IDB_LOGO 147
// The logo for 150 % and 200 % (144 and 192 DPI); IDB_LOGO is the 100 % one the templates name.
#define IDB_LOGO_150 148
#define IDB_LOGO_200 149

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The button row every page has. 1 and 2 are the dialog's OK and cancel commands.
#define IDC_FORWARD 1
#define IDC_CANCEL 2
#define IDC_BACK 1005

// Page 1: licence agreement.
#define IDC_PAGE1_DISAGREE 1008
#define IDC_PAGE1_AGREE 1009
#define IDC_PAGE1_VERSION 1011
#define IDC_PAGE1_SUBTITLE 1012
#define IDC_PAGE1_LICENCE 1013
#define IDC_PAGE1_PREVIOUS_SCREEN 1014
#define IDC_PAGE1_NEXT_SCREEN 1015

// Page 2: release selection. One check box per release; the ids do not follow the year order.
#define IDC_PAGE2_VERSION 1011
#define IDC_PAGE2_SUBTITLE 1012
#define IDC_PAGE2_ACAD2007 1018
#define IDC_PAGE2_ACAD2008 1019
#define IDC_PAGE2_ACAD2009 1020
#define IDC_PAGE2_ACAD2000 1021
#define IDC_PAGE2_ACAD2002 1022
#define IDC_PAGE2_ACAD2004 1023
#define IDC_PAGE2_ACAD2005 1024
#define IDC_PAGE2_ACAD2006 1025
#define IDC_PAGE2_ACAD2011 1026
#define IDC_PAGE2_ACAD2010 1027
#define IDC_PAGE2_ACAD2012 1028
#define IDC_PAGE2_ACAD2013 1029
#define IDC_PAGE2_ACAD2014 1030
#define IDC_PAGE2_ACAD2015 1031
#define IDC_PAGE2_ACAD2016 1032
#define IDC_PAGE2_ACAD2017 1033
#define IDC_PAGE2_ACAD2018 1034
#define IDC_PAGE2_ACAD2019 1035
#define IDC_PAGE2_ACAD2020 1036
#define IDC_PAGE2_ACAD2021 1037
#define IDC_PAGE2_ACAD2022 1038
#define IDC_PAGE2_ACAD2023 1039
#define IDC_PAGE2_ACAD2024 1040
#define IDC_PAGE2_ACAD2025 1041

// Page 3: installation root, keep options, progress.
#define IDC_PAGE3_PATH 1000
#define IDC_PAGE3_BROWSE 1001
#define IDC_PAGE3_PROGRESS 1003
#define IDC_PAGE3_KEEP_CONFIG 1009
#define IDC_PAGE3_KEEP_SETTINGS 1010
#define IDC_PAGE3_KEEP_SECTION_LIBRARY 1011
#define IDC_PAGE3_KEEP_DRAWING_LIBRARY 1012
#define IDC_PAGE3_VERSION 1013
#define IDC_PAGE3_SUBTITLE 1014
