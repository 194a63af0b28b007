<HEAD>
<meta HTTP-EQUIV="DC.Subject.Topic" CONTENT="Club administration">
<meta HTTP-EQUIV="$LevelHeading" CONTENT="About the club">
</HEAD>
